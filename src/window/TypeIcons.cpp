#include "window/TypeIcons.h"

#include <QString>

#include <algorithm>
#include <array>
#include <string>

#include "batch/OutputNaming.h"

namespace varnholt {
namespace {

struct IconRow {
    std::string_view extension;
    std::string_view icon;
};

// Tested in this order; the first matching extension names the icon.
constexpr std::array<IconRow, 12> kIconRows{{
    {"jpg", "JPG"},
    {"jpeg", "JPG"},
    {"jpe", "JPG"},
    {"jp2", "JPG"},
    {"jpx", "JPG"},
    {"png", "PNG"},
    {"tiff", "TIF"},
    {"tif", "TIF"},
    {"gif", "GIF"},
    {"bmp", "BMP"},
    {"heif", "HEIF"},
    {"heic", "HEIC"},
}};

}  // namespace

std::optional<std::string_view> typeIconName(std::string_view path) {
    const std::string extension = asciiLowercase(fileExtension(path));
    for (const auto& row : kIconRows) {
        if (row.extension == extension) return row.icon;
    }
    return std::nullopt;
}

QIcon typeIcon(std::string_view name) {
    const QString file =
        QStringLiteral(":/icons/%1.png")
            .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    QIcon icon;
    // The badge keeps its colours on a selected row instead of the style's tinted variant.
    icon.addFile(file, QSize(), QIcon::Normal);
    icon.addFile(file, QSize(), QIcon::Selected);
    return icon;
}

}  // namespace varnholt
