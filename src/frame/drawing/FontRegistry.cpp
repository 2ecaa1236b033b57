#include "frame/drawing/FontRegistry_p.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#ifndef K7_FONT_DIR
#define K7_FONT_DIR "/usr/share/wine/fonts"
#endif

namespace k7 {

namespace {

struct FaceFile {
    const char* Face;
    const char* File;
    const char* Substitute;
    int StrikeLeading = 0; // see FontRegistry::StrikeLeading
};

// Bold Tahoma has its own file; without it Qt would embolden the regular face, which is fine.
constexpr FaceFile kFaceFiles[] = {
    {"Tahoma", "tahoma.ttf", "DejaVu Sans"},
    {"Tahoma", "tahomabd.ttf", "DejaVu Sans"},
    {"Small Fonts", "small_fonts.ttf", "DejaVu Sans Condensed", 2},
};

std::vector<FontRegistry::Registration>& Store() {
    static std::vector<FontRegistry::Registration> registrations;
    return registrations;
}

bool& Done() {
    static bool done = false;
    return done;
}

bool RegisterFile(const QString& path, const QString& face) {
    if (!QFile::exists(path))
        return false;
    const int id = QFontDatabase::addApplicationFont(path);
    if (id < 0)
        return false;
    return QFontDatabase::applicationFontFamilies(id).contains(face);
}

} // namespace

void FontRegistry::EnsureRegistered() {
    if (Done() || QGuiApplication::instance() == nullptr)
        return;
    Done() = true;
    Store() = Register(FontDirectory());
}

std::vector<FontRegistry::Registration> FontRegistry::Register(const QString& directory) {
    std::vector<Registration> registrations;
    for (const FaceFile& entry : kFaceFiles) {
        Registration registration;
        registration.Face = QString::fromLatin1(entry.Face);
        registration.File = directory + QLatin1Char('/') + QString::fromLatin1(entry.File);
        registration.Loaded = RegisterFile(registration.File, registration.Face);
        if (!registration.Loaded) {
            registration.Substitute = QString::fromLatin1(entry.Substitute);
            if (!QFont::substitutes(registration.Face).contains(registration.Substitute))
                QFont::insertSubstitution(registration.Face, registration.Substitute);
        }
        registrations.push_back(registration);
    }
    return registrations;
}

const std::vector<FontRegistry::Registration>& FontRegistry::Registrations() {
    return Store();
}

int FontRegistry::StrikeLeading(const QString& face) {
    for (const FaceFile& entry : kFaceFiles)
        if (face.compare(QLatin1String(entry.Face), Qt::CaseInsensitive) == 0)
            return entry.StrikeLeading;
    return 0;
}

QString FontRegistry::FontDirectory() {
    return QStringLiteral(K7_FONT_DIR);
}

} // namespace k7
