#pragma once

#include "frame/properties/PropertyBag.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace k7::cli {

// One control placed on a saved screen: its kind, name, position and extent in twips (0 for
// "the control's design size") and its persisted properties under their persistence names.
struct ScreenControl {
    QString Kind;
    QString Name;
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
    PropertyBag Properties;
};

// A saved terminal screen as a JSON file:
//   {"controls":[{"kind":"ProdCode","name":"prod1","left":0,"top":0,"width":5640,"height":495,
//                 "properties":{"APIHost":"http://...","Process":"P100"}}]}
// Read and written with the library's own JSON document, so what the host stores is exactly what
// a control's WriteProperties produced.
class ScreenFile {
public:
    // Throws std::runtime_error naming the file for one that cannot be read, is larger than 4 MiB,
    // is no JSON or lacks the shape above.
    static std::vector<ScreenControl> Load(const QString& path);
    static void Save(const QString& path, const std::vector<ScreenControl>& controls);

private:
    static std::vector<ScreenControl> ReadControls(const QString& path, const QByteArray& bytes);
};

} // namespace k7::cli
