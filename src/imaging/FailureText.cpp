// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the user reads for a failed image and for what a written file lacks.

#include "imaging/ImageTools.h"

namespace varnholt {

std::string ImageFailure::describe() const {
    switch (kind) {
        case FailureKind::FileNotFound:
            return "file not found";
        case FailureKind::PermissionDenied:
            return "permission denied";
        case FailureKind::NotRegularFile:
            return "not a regular file";
        case FailureKind::CannotOpen:
            return "cannot open: " + detail;
        case FailureKind::NotAnImage:
            return "not an image of an accepted format";
        case FailureKind::TooManyPixels:
            return "too many pixels (at most 268 MP)";
        case FailureKind::DamagedData:
            return "damaged image data";
        case FailureKind::SizeTooLarge:
            return "size too large for " + detail;
        case FailureKind::NotEnoughMemory:
            return "not enough memory";
        case FailureKind::CannotWrite:
        case FailureKind::OutputFolderMissing:
            return "cannot write: " + detail;
        case FailureKind::SizeNotUsable:
            return "size " + detail;
        case FailureKind::CannotResize:
            return "cannot resize image";
        case FailureKind::Unexpected:
            return "unexpected error: " + detail;
    }
    return detail;
}

std::string ImageNote::describe() const {
    const char* parts = "metadata";
    switch (kind) {
        case NoteKind::MetadataNotKept:
            break;
        case NoteKind::XmpNotKept:
            parts = "XMP";
            break;
        case NoteKind::IptcNotKept:
            parts = "IPTC";
            break;
        case NoteKind::XmpAndIptcNotKept:
            parts = "XMP and IPTC";
            break;
    }
    return std::string(parts) + " not kept: " + detail;
}

}  // namespace varnholt
