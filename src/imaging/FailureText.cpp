// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the user reads for a failed image and for what a written file lacks.

#include "imaging/ImageTools.h"
#include "settings/Translation.h"

namespace varnholt {

std::string ImageFailure::describe() const {
    switch (kind) {
        case FailureKind::FileNotFound:
            return _("file not found");
        case FailureKind::PermissionDenied:
            return _("permission denied");
        case FailureKind::NotRegularFile:
            return _("not a regular file");
        case FailureKind::CannotOpen:
            return fillIn(_("cannot open: %1"), {detail});
        case FailureKind::NotAnImage:
            return _("not an image of an accepted format");
        case FailureKind::TooManyPixels:
            return _("too many pixels (at most 268 MP)");
        case FailureKind::DamagedData:
            return _("damaged image data");
        case FailureKind::SizeTooLarge:
            // TRANSLATORS: %1 is a format with its limit, e.g. "JPG (at most 65535 pixels a side)".
            return fillIn(_("size too large for %1"), {detail});
        case FailureKind::NotEnoughMemory:
            return _("not enough memory");
        case FailureKind::CannotWrite:
        case FailureKind::OutputFolderMissing:
            return fillIn(_("cannot write: %1"), {detail});
        case FailureKind::SizeNotUsable:
            return detail;  // a whole sentence already: "size below 1 pixel"
        case FailureKind::CannotResize:
            return _("cannot resize image");
        case FailureKind::Unexpected:
            return fillIn(_("unexpected error: %1"), {detail});
    }
    return detail;
}

std::string ImageNote::describe() const {
    const char* text = _("metadata not kept: %1");
    switch (kind) {
        case NoteKind::MetadataNotKept:
            break;
        case NoteKind::XmpNotKept:
            text = _("XMP not kept: %1");
            break;
        case NoteKind::IptcNotKept:
            text = _("IPTC not kept: %1");
            break;
        case NoteKind::XmpAndIptcNotKept:
            text = _("XMP and IPTC not kept: %1");
            break;
    }
    return fillIn(text, {detail});
}

}  // namespace varnholt
