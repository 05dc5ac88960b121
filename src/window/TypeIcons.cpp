// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/TypeIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QString>

#include <string>

#include "batch/OutputNaming.h"
#include "settings/FormatTable.h"

namespace varnholt {
namespace {

constexpr QSize kBadgeSize(40, 24);

const FormatRow* rowOfExtension(std::string_view extension) {
    for (const auto& row : formatRows()) {
        if (asciiLowercase(row.title) == extension) return &row;
    }
    return nullptr;
}

// A rounded label in the format's colour with its badge text in white, drawn at scale.
QPixmap badge(std::string_view text, std::uint32_t colour, int scale) {
    QPixmap pixmap(kBadgeSize * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0, 0, 0, 0x40));
    painter.setBrush(QColor(QRgb(0xff000000u | colour)));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 39, 23), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 36));  // a faint sheen on the upper third
    painter.drawRoundedRect(QRectF(2, 2, 36, 8), 3, 3);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(QPointF(0, 1), QSizeF(kBadgeSize)), Qt::AlignCenter,
                     QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return pixmap;
}

}  // namespace

std::optional<std::string_view> typeIconName(std::string_view path) {
    const FormatRow* row = rowOfExtension(asciiLowercase(fileExtension(path)));
    if (!row) return std::nullopt;
    return row->badge;
}

QIcon typeIcon(std::string_view name) {
    QIcon icon;
    for (const auto& row : formatRows()) {
        if (row.badge != name) continue;
        // The badge keeps its colours on a selected row instead of the style's tinted variant.
        for (const int scale : {1, 2}) {
            const QPixmap pixmap = badge(row.badge, row.badgeColour, scale);
            icon.addPixmap(pixmap, QIcon::Normal);
            icon.addPixmap(pixmap, QIcon::Selected);
        }
        break;
    }
    return icon;
}

}  // namespace varnholt
