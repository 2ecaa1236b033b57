#pragma once

#include <QString>

#include <vector>

namespace k7 {

// The two faces the designs name, "Tahoma" and "Small Fonts", are not part of a usual Linux
// install; the library registers them from the fonts-wine files once, when the first control is
// created. When a file is missing the face name is mapped to an installed substitute instead, so
// the controls still paint text of about the right size, and Registrations() tells which happened.
class FontRegistry {
public:
    struct Registration {
        QString Face;        // the face name the controls use ("Tahoma", "Small Fonts")
        QString File;        // the file tried
        bool Loaded = false; // true: the file was registered under Face
        QString Substitute;  // when not loaded: the installed face that stands in for Face
    };

    // Registers the faces (first call only; later calls return at once). Needs a QGuiApplication.
    static void EnsureRegistered();

    // What EnsureRegistered did, one entry per file tried (empty before the first call).
    static const std::vector<Registration>& Registrations();

    // Registers the faces from `directory` (or sets up their substitutes) and reports each file.
    // EnsureRegistered calls it once with FontDirectory(); tests call it with other directories.
    static std::vector<Registration> Register(const QString& directory);

    // The directory of the fonts-wine faces, fixed when the library is built.
    static QString FontDirectory();

    // The pixels of internal leading that each bitmap strike of `face` carries on the platform the
    // layouts were drawn for, above an em that is that much smaller than the strike (0 for a face
    // of outlines). The platform's Small Fonts is a raster face whose largest size, 7 points at 96
    // dpi, is a cell of 11 pixels: 2 of internal leading over an em of 9. The fonts-wine copy keeps
    // that cell as one strike of 11 pixels per em, so taken as it stands every size would measure
    // 9/11 of the platform's width and line.
    static int StrikeLeading(const QString& face);
};

} // namespace k7
