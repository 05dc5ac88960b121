// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The image layer: reading, resampling, encoding and metadata. No libvips or exiv2 type
// appears here; the window, the batch and the CLI include this header only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "settings/PixelSize.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// "DPIWidth", "DPIHeight", "Orientation", "PixelWidth", "PixelHeight", plus the source's
// EXIF entries under exiv2's keys ("Exif.Image.Make", ...), carried opaquely.
using ImageProperties = std::map<std::string, std::string>;

// A point in time as the file system stores it.
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// Interleaved 8-bit RGBA, rows top to bottom, no padding.
struct RgbaPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Why one image failed, decided where the failure happened.
enum class FailureKind {
    FileNotFound,
    PermissionDenied,
    NotRegularFile,
    CannotOpen,  // detail: the system's reason (too many open files, a symbolic link loop)
    NotAnImage,
    TooManyPixels,
    DamagedData,
    SizeTooLarge,  // detail: the format and its limit
    NotEnoughMemory,
    CannotWrite,          // detail: the system's reason
    OutputFolderMissing,  // detail: the system's reason; reads as CannotWrite
    // Decided by the batch before or around the image layer's work.
    SizeNotUsable,  // detail: the whole text ("size not above 0", "size below 1 pixel", ...)
    CannotResize,
    Unexpected,  // detail: what was thrown
};

struct ImageFailure {
    FailureKind kind = FailureKind::CannotOpen;
    std::string detail;
    // Short and lower case: "file not found", "cannot write: no space left on device".
    std::string describe() const;
};

// What a written file lacks of what was asked; it still counts as written.
enum class NoteKind { MetadataNotKept, XmpNotKept, IptcNotKept, XmpAndIptcNotKept };

struct ImageNote {
    NoteKind kind = NoteKind::MetadataNotKept;
    std::string detail;  // why: "too large for JPEG"
    // "metadata not kept: too large for JPEG".
    std::string describe() const;
};

// failure when not ok; note only for a written file.
struct SaveResult {
    bool ok = false;
    ImageFailure failure;
    std::optional<ImageNote> note;
    std::string reason() const { return ok ? std::string() : failure.describe(); }
};

struct ImageData;
struct SourceMetadataData;

// A value handle on a picture: shared and immutable. It holds a recipe (the open source file,
// the size to scale to, the DPI and metadata to write), not decoded pixels, always upright;
// every decode (rasterizeImage, saveImage) builds its own pipeline, so a handle may be
// decoded more than once and from any thread.
class Image {
public:
    int width() const;
    int height() const;
    const ImageData& data() const { return *data_; }
    explicit Image(std::shared_ptr<const ImageData> data) : data_(std::move(data)) {}

private:
    std::shared_ptr<const ImageData> data_;
};

// What "keep metadata" takes from a source before anything is written: its EXIF, XMP and
// IPTC and its creation date.
class SourceMetadata {
public:
    FileTime creationDate() const;
    // What was left out for its size or as unreadable ("metadata not kept: XMP unreadable").
    std::optional<ImageNote> sizeNote() const;
    const std::shared_ptr<const SourceMetadataData>& shared() const { return data_; }
    explicit SourceMetadata(std::shared_ptr<const SourceMetadataData> data)
        : data_(std::move(data)) {}

private:
    std::shared_ptr<const SourceMetadataData> data_;
};

class ImageTools {
public:
    ImageTools() = delete;

    // Set up once on the main thread before any other call (main() of the window, the CLI
    // and the tests); shuts the libraries down when destroyed. Each libvips pipeline runs on
    // one thread for the whole process: the cores are used by images side by side (the
    // batch) and by the preview's own pool, and no run ever changes that setting while
    // another renders.
    class Runtime {
    public:
        explicit Runtime(const char* argv0);
        ~Runtime();
        Runtime(const Runtime&) = delete;
        Runtime& operator=(const Runtime&) = delete;
    };

    // The HEIF condition: which of HEVC (HEIF, HEIC) and AV1 (AVIF) libheif here can both
    // decode and encode (asked once; no encode). heifSupported is its HEVC half.
    static HeifCodecs heifCodecs();
    static bool heifSupported();

    // File information. Every query opens the file itself; a file that is missing, not a
    // regular file or not one of the accepted formats gives the fixed default.
    static std::optional<PixelSize> readPixelSize(const std::string& path);  // upright, page 0
    static std::int64_t readDPI(const std::string& path);                    // kDefaultDpi default
    static std::int64_t readDPI(const Image& image);               // from the header read at open
    static std::int64_t readOrientation(const std::string& path);  // 1 default, 1 for HEIF
    static std::optional<ImageProperties> readImageProperties(const std::string& path);
    static std::optional<std::string> readTypeIdentifier(const std::string& path);

    // Reads the header only; the picture is upright. Only the accepted formats by content,
    // only regular files, at most 268,402,689 pixels. The image keeps the file open: every
    // later read of it (metadata, decode, encode) goes through the same descriptor.
    static std::optional<Image> loadImage(const std::string& path);
    // The same with the reason when it cannot.
    static std::variant<Image, ImageFailure> openImage(const std::string& path);
    // The format's own limits and the output area cap, checked before any work.
    static std::optional<ImageFailure> checkOutputSize(std::int64_t width, std::int64_t height,
                                                       OutputFormat format);
    // Pixels are the only unit here, so this is the identity.
    static Image normalizeToPixelSize(const Image& image, const std::string& path);
    // The picture to be made exactly width x height, stretched; nothing is decoded here: the
    // rasterizing or the encode scales, shrinking on load from the source file. nullopt when
    // a side is below 1 or beyond libvips' limit.
    static std::optional<Image> scaledTo(const Image& source, std::int64_t width,
                                         std::int64_t height);
    // The same picture stretched from the small one a HEIF or AVIF file carries for previews,
    // which decodes in a fraction of the time: a draft to show while the picture itself is
    // made. nullopt when the file carries none smaller than its picture.
    static std::optional<Image> draftOf(const Image& scaled);
    // Whether draftOf is worth asking: a format that can carry such a picture.
    static bool mayHaveDraft(const Image& image);
    // Decodes into 8-bit sRGB RGBA; nullopt (never a crash) on broken or truncated data and
    // for pictures larger than the input cap.
    static std::optional<RgbaPixels> rasterizeImage(const Image& image);

    // The DPI rides on the one encode; kDefaultDpi unless stamped.
    static Image stampDPI(const Image& image, std::int64_t dpi);
    static SourceMetadata readSourceMetadata(const Image& source);
    // Attaches the source's metadata with the output's own DPI, size and orientation 1: every
    // output is written upright.
    static Image mergeOutputDPI(const Image& image, const SourceMetadata& meta, std::int64_t dpi);

    // One encode into a new file beside outputPath, which replaces outputPath only once it
    // reads back as the planned format and size. format is concrete (never Original);
    // quality 0..1 reaches the formats whose row uses the quality; the others ignore it. A source
    // whose decoder reports damage fails; for JPEG, stray bytes before a marker are accepted as
    // most readers do.
    static SaveResult saveImage(const Image& image, const std::string& outputPath,
                                OutputFormat format, double quality);
    static SaveResult saveHEIF(const Image& image, const std::string& outputPath);
    // The in-memory HEIF encode of saveHEIF; nullopt when nothing was encoded.
    static std::optional<std::vector<std::uint8_t>> convertToHEIC(const Image& image);
    // Removes the temporary files that writes into folder by processes no longer running
    // left behind (a kill in the middle of a write).
    static void removeLeftoverFiles(const std::string& folder);

    // The earlier of the file's birth time and its modification time.
    static std::optional<FileTime> readCreationDate(const std::string& path);
    // After a successful save with metadata kept (the metadata itself went into the encode):
    // sets the output's modification and access times to the source's creation date.
    // Prints "ERROR" on standard output and returns false when it cannot.
    static bool copyMetadataAndDate(const std::string& outputPath, const SourceMetadata& meta);
};

}  // namespace varnholt
