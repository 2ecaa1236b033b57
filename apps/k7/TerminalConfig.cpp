#include "TerminalConfig.h"

#include "WidgetCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <map>

namespace k7::cli {

namespace {

const QStringList kKeys = {"form", "api", "company", "session", "kiosk", "journal", "period"};

// Where each key of the [terminal] group stands in the file. QSettings reads the values but forgets
// the lines, and a message without its line sends someone searching fifty terminals' files.
class KeyLines {
public:
    KeyLines(const QString& path, const QByteArray& text) : path_(path) {
        QString group;
        int number = 0;
        for (const QByteArray& raw : text.split('\n')) {
            ++number;
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
                continue;
            if (line.startsWith('[') && line.endsWith(']')) {
                group = line.mid(1, line.size() - 2).trimmed();
                if (group == QLatin1String(TerminalConfig::kGroup) && groupLine_ == 0)
                    groupLine_ = number;
                continue;
            }
            const qsizetype equals = line.indexOf('=');
            if (equals <= 0)
                Fail(number, line, QStringLiteral("not a 'key = value' line"));
            const QString key = line.left(equals).trimmed();
            if (group != QLatin1String(TerminalConfig::kGroup))
                Fail(number, key,
                     QStringLiteral("unknown key outside [%1] (every key belongs to that group)")
                         .arg(TerminalConfig::kGroup));
            if (!kKeys.contains(key))
                Fail(number, key,
                     QStringLiteral("unknown key (known: %1)").arg(kKeys.join(QLatin1String(", "))));
            if (const auto earlier = lines_.find(key); earlier != lines_.end())
                Fail(number, key, QStringLiteral("given twice (first on line %1)").arg(earlier->second));
            lines_[key] = number;
        }
    }

    bool Has(const QString& key) const { return lines_.contains(key); }

    [[noreturn]] void Fail(const QString& key, const QString& what) const {
        const auto at = lines_.find(key);
        // A key the file lacks is reported where it belongs: its group's line, or the first line.
        Fail(at != lines_.end() ? at->second : std::max(groupLine_, 1), key, what);
    }

private:
    [[noreturn]] void Fail(int line, const QString& key, const QString& what) const {
        throw TerminalConfigError(
            QStringLiteral("%1:%2: %3: %4").arg(path_).arg(line).arg(key, what).toStdString());
    }

    QString path_;
    int groupLine_ = 0;
    std::map<QString, int> lines_;
};

// The values of one file, each checked against the rule of its key.
class ConfigValues {
public:
    ConfigValues(const QString& path, const KeyLines& lines)
        : settings_(path, QSettings::IniFormat), lines_(lines), folder_(QFileInfo(path).absoluteDir()) {
        settings_.beginGroup(QLatin1String(TerminalConfig::kGroup));
    }

    bool Has(const QString& key) const { return lines_.Has(key); }

    QString Text(const QString& key) const {
        // QSettings reads "a, b" as a list; a value here is one string, commas and all.
        const QVariant value = settings_.value(key);
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString().trimmed();
        if (text.isEmpty())
            lines_.Fail(key, QStringLiteral("no value (give one, or remove the line)"));
        return text;
    }

    QString Path(const QString& key) const { return QDir::cleanPath(folder_.absoluteFilePath(Text(key))); }

    QString Url(const QString& key) const {
        const QString text = Text(key);
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
            url.host().isEmpty())
            lines_.Fail(key, QStringLiteral("'%1' is not an http:// or https:// address").arg(text));
        return text;
    }

    bool Boolean(const QString& key) const {
        const QString text = Text(key).toLower();
        for (const char* yes : {"true", "yes", "on", "1"})
            if (text == QLatin1String(yes))
                return true;
        for (const char* no : {"false", "no", "off", "0"})
            if (text == QLatin1String(no))
                return false;
        lines_.Fail(key, QStringLiteral("'%1' is neither true nor false").arg(text));
    }

    double Seconds(const QString& key, double least) const {
        const QString text = Text(key);
        bool ok = false;
        const double seconds = text.toDouble(&ok);
        if (!ok || !(seconds >= least))
            lines_.Fail(
                key, QStringLiteral("'%1' is not a number of seconds of at least %2").arg(text).arg(least));
        return seconds;
    }

private:
    mutable QSettings settings_;
    const KeyLines& lines_;
    QDir folder_;
};

} // namespace

TerminalConfig TerminalConfig::Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TerminalConfigError(
            QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    const KeyLines lines(path, file.readAll());
    const ConfigValues values(path, lines);

    TerminalConfig config;
    if (!values.Has("form"))
        lines.Fail("form", QStringLiteral("no form named (form = /path/to/screen.ui)"));
    config.Form = values.Path("form");
    if (!QFileInfo(config.Form).isFile())
        lines.Fail("form", QStringLiteral("no such file %1").arg(config.Form));
    if (values.Has("api"))
        config.Api = values.Url("api");
    if (values.Has("company"))
        config.Company = values.Text("company");
    if (values.Has("session"))
        config.Session = values.Text("session");
    if (values.Has("journal"))
        config.Journal = values.Path("journal");
    if (values.Has("kiosk"))
        config.Kiosk = values.Boolean("kiosk");
    if (values.Has("period"))
        config.PeriodSeconds = values.Seconds("period", kLeastPeriodSeconds);
    return config;
}

TerminalConfig TerminalConfig::FromCommandLine(const QStringList& args) {
    const qsizetype at = args.indexOf(QLatin1String("--config"));
    if (at < 0)
        return {};
    if (at + 1 >= args.size() || args[at + 1].isEmpty())
        throw UsageError("--config needs a value");
    return Read(args[at + 1]);
}

} // namespace k7::cli
