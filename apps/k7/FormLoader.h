#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUiLoader>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace k7::cli {

// Loads a form saved by Qt Designer at run time. The library's controls, named on the form as the
// Designer plugin declares them ("k7::ProdCode"), are created through the control catalog, exactly
// as the plugin and every other host create them; every other widget (frames, group boxes,
// labels) is QUiLoader's own. The properties the form sets on a control (Process, dates, labels,
// switches, and dynamic properties such as "k7RefreshSeconds") are applied by QUiLoader through the
// control's meta-object, as uic-generated code would call the setters.
class FormLoader : public QUiLoader {
public:
    explicit FormLoader(QObject* parent = nullptr);

    // The top-level widget of the form at `path`; throws std::runtime_error naming the file and the
    // problem (unreadable, larger than HostFile::kLargest, not a form, a "k7::" class the library
    // does not have or another class Qt does not know, with its line). A control the form leaves
    // unnamed is named after its class and place ("ProdCode#2"), and Notes says so.
    std::unique_ptr<QWidget> Load(const QString& path, QWidget* parent = nullptr);

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;

    // The prefix the plugin puts before a catalog name.
    static QString ClassPrefix() { return QStringLiteral("k7::"); }

    // What the last Load did that the form did not say ("the k7::ProdCode without an object name is
    // called ProdCode#2").
    const QStringList& Notes() const { return notes_; }

private:
    QStringList unknown_;
    QStringList notes_;
    std::map<QString, int> placed_; // controls of each class so far, in the form's order
    std::vector<std::pair<QPointer<QWidget>, QString>> unnamed_; // and the names they get
};

} // namespace k7::cli
