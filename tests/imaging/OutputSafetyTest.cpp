// SPDX-License-Identifier: GPL-3.0-or-later
// What must never reach the user's folder: files beyond a format's limits, pictures built from
// damaged data, temporary files of a write that did not finish, oversized metadata; and what
// must not be spent on a header: the time of a zlib bomb.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vips/vips8>
#include <zlib.h>

#include <csignal>
#include <tuple>

#include "ImagingTestSupport.h"
#include "imaging/AtomicFile.h"
#include "imaging/BoundedPng.h"
#include "imaging/ImageTools.h"
#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using Bytes = std::vector<std::uint8_t>;
using testing::writeBytes;

const std::string kPhoto = testing::testdata("recurser-exif-orientation-examples/Portrait_1.jpg");

// Per encoder, the largest size it writes and the smallest it refuses, as tried with it; where
// a one-pixel-high picture is cheap, the accepted size is written and the refused one leaves
// the existing file alone.
TEST(OutputSafety, EachEncodersLimitsAreCheckedBeforeAnyWork) {
    TempFolder folder;
    const std::string existing = folder.path("existing");
    writeBytes(existing, testing::fileBytes(kPhoto));
    const auto before = testing::fileBytes(existing);
    using enum OutputFormat;
    struct Row {
        OutputFormat format;
        std::int64_t width, height, refusedWidth, refusedHeight;  // the largest accepted
        bool encode;
        std::string reason = {};  // empty: the longest side's
    };
    const std::string thin =
        "size too large for HEIF (at most 4208 pixels a side when the other is below 32)";
    // clang-format off
    const Row rows[] = {
        {JPG, 65500, 1, 65501, 1, true},       {JP2, 1, 65535, 1, 65536, false},
        {PNG, 65535, 1, 65536, 1, true},       {TIFF, 1, 65535, 1, 65536, false},
        {GIF, 65535, 1, 65536, 1, true},       {BMP, 65535, 1, 65536, 1, true},
        {HEIF, 4208, 1, 4209, 1, true, thin},  {HEIF, 31, 4208, 31, 4209, false, thin},
        {HEIC, 16384, 32, 16385, 32, false},   {WEBP, 16383, 1, 16384, 1, true},
        {AVIF, 16384, 1, 16385, 1, true},      {JXL, 65535, 1, 65536, 1, true},
        {TIFF, 16383, 16383, 16384, 16383, false, "too many pixels (at most 268 MP)"},
    };
    // clang-format on
    const auto tooLarge = [](const Row& row) {
        return "size too large for " + std::string(formatTitle(row.format)) + " (at most " +
               std::to_string(std::max(row.width, row.height)) + " pixels a side)";
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << formatTitle(row.format) << " " << row.width << "x" << row.height);
        EXPECT_FALSE(ImageTools::checkOutputSize(row.width, row.height, row.format));
        const auto refused =
            ImageTools::checkOutputSize(row.refusedWidth, row.refusedHeight, row.format);
        const std::string reason = row.reason.empty() ? tooLarge(row) : row.reason;
        EXPECT_EQ(refused ? refused->describe() : "", reason);
        if (!row.encode) continue;
        const Image large = testing::scaledImage(kPhoto, row.refusedWidth, row.refusedHeight);
        EXPECT_EQ(ImageTools::saveImage(large, existing, row.format, 0.8).reason(), reason);
        EXPECT_EQ(testing::fileBytes(existing), before);
        const Image image = testing::scaledImage(kPhoto, row.width, row.height);
        ASSERT_TRUE(ImageTools::saveImage(image, existing, row.format, 0.8).ok);
        EXPECT_EQ(ImageTools::readPixelSize(existing)->width, row.width);
        writeBytes(existing, before);
    }
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"existing"});
}

// A small real picture in each format, cut in half or with 64 bytes inverted a third of the
// way in, where the format's decoder can tell (checksums, entropy codes, compressed strips).
// libvips fails a JPEG decode shrunk on load without damage met in its last strips: the
// whole photo damaged near its end must fail at every scale (none, none, 1/2, 1/4, 1/8).
TEST(OutputSafety, DamagedDataFailsInEveryFormat) {
    TempFolder folder;
    const vips::VImage small = vips::VImage::thumbnail(kPhoto.c_str(), 160).copy_memory();
    const auto make = [&](const std::string& name) {
        const std::string path = folder.path(name);
        if (name.ends_with(".bmp")) {
            small.magicksave(path.c_str(), vips::VImage::option()->set("format", "bmp"));
        } else if (name.ends_with(".tif")) {
            small.tiffsave(path.c_str(), vips::VImage::option()->set(
                                             "compression", VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE));
        } else {
            small.write_to_file(path.c_str());
        }
        return testing::fileBytes(path);
    };
    enum class Damage { Cut, Inverted, StrayBytes, NearTheEnd };
    struct Row {
        const char* name;
        Damage damage;
        int width;  // of the output, two thirds of its height
    };
    const Row rows[] = {
        {"a.jpg", Damage::Cut, 40},          {"b.png", Damage::Cut, 40},
        {"c.gif", Damage::Cut, 40},          {"d.tif", Damage::Cut, 40},
        {"e.jp2", Damage::Cut, 40},          {"f.heic", Damage::Cut, 40},
        {"g.bmp", Damage::Cut, 40},          {"h.jpg", Damage::Inverted, 40},
        {"i.png", Damage::Inverted, 40},     {"j.gif", Damage::Inverted, 40},
        {"k.tif", Damage::Inverted, 40},     {"l.jpg", Damage::StrayBytes, 40},
        {"m.jpg", Damage::NearTheEnd, 1200}, {"m.jpg", Damage::NearTheEnd, 600},
        {"m.jpg", Damage::NearTheEnd, 200},  {"m.jpg", Damage::NearTheEnd, 100},
        {"m.jpg", Damage::NearTheEnd, 50},
    };
    const std::string output = folder.path("out.png");
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.name << " " << row.width);
        const bool nearTheEnd = row.damage == Damage::NearTheEnd;
        auto bytes = nearTheEnd ? testing::fileBytes(kPhoto) : make(row.name);
        const std::size_t from = nearTheEnd ? bytes.size() - 1000 : bytes.size() / 3;
        if (row.damage == Damage::Cut) {
            bytes.resize(bytes.size() / 2);
            // An end marker makes a cut JPEG look complete.
            if (std::string(row.name).ends_with(".jpg")) bytes.insert(bytes.end(), {0xFF, 0xD9});
        } else if (row.damage == Damage::StrayBytes) {
            // Padding after the first segment: readers skip it without loss.
            const std::size_t next = 4 + (std::size_t{bytes[4]} << 8 | bytes[5]);
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(next), {0, 0, 0});
        } else {
            for (std::size_t i = from; i < from + 64; ++i) bytes[i] ^= 0xFF;
        }
        writeBytes(folder.path(row.name), bytes);
        const SaveResult saved = testing::saveResized(
            folder.path(row.name), output, OutputFormat::PNG, row.width, row.width * 3 / 2, false);
        if (row.damage == Damage::StrayBytes) {
            EXPECT_TRUE(saved.ok) << saved.reason();
            ::unlink(output.c_str());
        } else {
            EXPECT_EQ(saved.reason(), "damaged image data");
        }
        EXPECT_FALSE(testing::fileBytes(output).size()) << "written anyway";
    }
    EXPECT_EQ(folder.entries().size(), 13u);  // the sources, no temporary file
}

// A write the file system refuses fails with the system's reason, the same on every run,
// whether the encoder streams into the file or the file is finished in memory.
TEST(OutputSafety, ARefusedWriteGivesTheSystemsReason) {
    TempFolder folder;
    const Image image = testing::scaledImage(kPhoto, 300, 450);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{4096, saved.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<std::string> reasons;
    using enum OutputFormat;
    for (const auto format : {JPG, PNG, TIFF, GIF, WEBP, BMP}) {
        reasons.push_back(ImageTools::saveImage(image, folder.path("out"), format, 0.8).reason());
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(reasons, std::vector<std::string>(6, "cannot write: file too large"));
    EXPECT_TRUE(folder.entries().empty());
}

// Only this host's temporary files whose process is gone go: another host's process ids mean
// nothing here, and names of another form are not ours.
TEST(OutputSafety, LeftoverTemporaryFilesOfThisHostsGoneProcessesAreRemoved) {
    TempFolder folder;
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string host = hostMarker(), pid = std::to_string(gone);
    std::string other = host;
    other[0] = other[0] == '0' ? '1' : '0';
    const auto name = [](const std::string& on, pid_t maker) {
        return ".a.jpg.vht-" + on + "-" + std::to_string(maker) + "-Ab12Cd";
    };
    const std::pair<std::string, bool> rows[] = {
        {name(host, gone), false},
        {name(host, getppid()), true},  // still running
        {name(host, getpid()), true},   // this process's own
        {name(other, gone), true},
        {".a.jpg.vht-" + pid + "-Ab12Cd", true},  // the form without the host
        {".a.jpg.vht-" + host + "-x-Ab12Cd", true},
        {"d.jpg", true},
    };
    for (const auto& [file, kept] : rows) folder.write(file);
    ImageTools::removeLeftoverFiles(folder.path("."));
    for (const auto& [file, kept] : rows)
        EXPECT_EQ(access(folder.path(file).c_str(), F_OK) == 0, kept) << file;
}

Bytes deflated(const std::string& text) {
    uLongf size = compressBound(text.size());
    Bytes out(size);
    compress(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), text.size());
    out.resize(size);
    return out;
}

void appendChunk(Bytes& png, const std::string& type, const Bytes& data) {
    const auto be32 = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    be32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type.begin(), type.end());
    png.insert(png.end(), data.begin(), data.end());
    be32(static_cast<std::uint32_t>(crc32(0, &png[start], static_cast<uInt>(png.size() - start))));
}

Bytes joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

Bytes pngOf(const std::vector<std::pair<std::string, Bytes>>& chunks) {
    Bytes png{0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    appendChunk(png, "IHDR", {0, 0, 0, 64, 0, 0, 0, 64, 8, 0, 0, 0, 0});  // 64 x 64 grey
    for (const auto& [type, data] : chunks) appendChunk(png, type, data);
    appendChunk(png, "IDAT", deflated(std::string(64 * 65, '\0')));
    appendChunk(png, "IEND", {});
    return png;
}

// The source as a TIFF of 64 x 64 with the source's metadata: its XMP dc:source and EXIF
// Artist, and the note.
TEST(OutputSafety, MetadataTooLargeOrUnreadableIsLeftOutPartByPartWithANote) {
    TempFolder folder;
    const std::string bomb(20 << 20, 'a');  // 20 KB deflated
    // An iTXt chunk: keyword, compressed, method 0, two empty fields, the deflated text.
    const auto text = [](const std::string& keyword, const std::string& value) {
        Bytes data(keyword.begin(), keyword.end()), body = deflated(value);
        data.insert(data.end(), {0, 1, 0, 0, 0});
        data.insert(data.end(), body.begin(), body.end());
        return std::pair<std::string, Bytes>{"iTXt", data};
    };
    const auto packet = [](const std::string& source, std::size_t padding = 0) {
        return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf="
               "'http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description xmlns:dc="
               "'http://purl.org/dc/elements/1.1/' dc:source='" +
               source + "'/></rdf:RDF></x:xmpmeta>" + std::string(padding, ' ');
    };
    const auto xmp = [&](const std::string& source, std::size_t padding = 0) {
        return text("XML:com.adobe.xmp", packet(source, padding));
    };
    // TIFF-structured EXIF, one IFD entry: Artist "someone".
    const Bytes exif{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,   0x3B, 1,   2,   0,   8,   0,   0,
                     0,   26,  0,  0, 0, 0, 0, 0, 0, 's', 'o',  'm', 'e', 'o', 'n', 'e', 0};
    const Bytes notTiff{'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xF0};
    // The photo with APP1 segments in front: an XMP packet, then an EXIF block.
    const auto jpeg = [&](const std::string& packet, const Bytes& exifBlock) {
        Bytes file = testing::fileBytes(kPhoto);
        for (const Bytes& payload :
             {joined(bytesOf({"Exif\0\0", 6}), exifBlock),
              bytesOf(std::string("http://ns.adobe.com/xap/1.0/", 29) + packet)}) {
            const auto size = static_cast<std::uint8_t>(payload.size() + 2);  // under 254
            file.insert(file.begin() + 2, payload.begin(), payload.end());
            file.insert(file.begin() + 2, {0xFF, 0xE1, 0, size});
        }
        return file;
    };
    // libpng and exiv2 inflated each comment in full while reading the header: seconds a read.
    std::vector<std::pair<std::string, Bytes>> comments(30, text("Comment", bomb));
    comments.push_back(xmp("kept"));
    // 1 MB each inflated: within the bound one by one, not all together.
    std::vector<std::pair<std::string, Bytes>> many{{"eXIf", exif}};
    for (int i = 0; i < 20; ++i) many.push_back(xmp(i < 15 ? "kept" : "late", 1 << 20));
    using Row = std::tuple<std::string, Bytes, std::string, std::string, std::string>;
    const std::string tooLarge = "metadata not kept: XMP larger than 16 MB";
    for (const auto& [name, file, note, keptSource, keptArtist] : {
             Row{"comments.png", pngOf(comments), "", "kept", ""},
             Row{"packed.png", pngOf({xmp(bomb)}), tooLarge, "", ""},
             Row{"budget.png", pngOf(many), tooLarge, "kept", "someone"},
             // exiv2 refuses compressed text beyond 128 KB, and all else with it.
             Row{"long.png", pngOf({{"eXIf", exif}, xmp("kept", 200 << 10)}), "", "kept",
                 "someone"},
             Row{"exif.png", pngOf({{"eXIf", notTiff}, xmp("kept")}),
                 "metadata not kept: EXIF unreadable", "kept", ""},
             Row{"exif.jpg", jpeg(packet("kept"), notTiff), "metadata not kept: EXIF unreadable",
                 "kept", ""},
             Row{"xmp.jpg", jpeg("<x:xmpmeta><rdf:RDF><broken", exif),
                 "metadata not kept: XMP unreadable", "", "someone"},
         }) {
        SCOPED_TRACE(name);
        const std::string source = folder.path(name), out = source + ".tif";
        writeBytes(source, file);
        const auto sizeNote =
            ImageTools::readSourceMetadata(ImageTools::loadImage(source).value()).sizeNote();
        EXPECT_EQ(sizeNote ? sizeNote->describe() : std::string(), note);
        ASSERT_TRUE(testing::saveResized(source, out, OutputFormat::TIFF, 32, 32, true).ok);
        auto tags = testing::exiftoolTagsOfFiles({out}, "-XMP:all -EXIF:Artist");
        EXPECT_EQ(testing::tagValue(tags[out], "Source").value_or(""), keptSource);
        EXPECT_EQ(testing::tagValue(tags[out], "Artist").value_or(""), keptArtist);
    }
}

// The PNG decoder never sees a text chunk, nor anything after a chunk that runs past the end
// of the file (libpng would allocate its length and read zeros) or after IEND.
TEST(OutputSafety, ThePngDecoderSeesOnlyWholeChunksOtherThanText) {
    TempFolder folder;
    const Bytes text{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'};
    const Bytes start = pngOf({});
    const Bytes header(start.begin(), start.begin() + 33);  // signature and IHDR
    const Bytes rest(start.begin() + 33, start.end());      // IDAT and IEND
    const auto overrun = [&](const std::string& type) {
        Bytes file = header;
        file.insert(file.end(), {0x7F, 0xFF, 0xFF, 0xF0});
        file.insert(file.end(), type.begin(), type.end());
        file.insert(file.end(), 100, 'x');
        return file;
    };
    Bytes interleaved = header;  // many pieces
    const char* const texts[] = {"tEXt", "zTXt", "iTXt"};
    for (int i = 0; i < 300; ++i) appendChunk(interleaved, i % 2 ? texts[i % 3] : "prVt", text);
    Bytes expected = header;
    for (int i = 0; i < 150; ++i) appendChunk(expected, "prVt", text);
    const std::pair<Bytes, Bytes> rows[] = {
        {overrun("zTXt"), header},
        {overrun("sPLT"), header},
        {overrun("IDAT"), overrun("IDAT")},  // a truncated download keeps what arrived
        {joined(start, joined(header, rest)), start},
        {joined(interleaved, rest), joined(expected, rest)},
    };
    for (const auto& [file, seen] : rows) {
        SCOPED_TRACE(::testing::Message() << file.size() << " bytes");
        writeBytes(folder.path("x.png"), file);
        const auto source = SourceFile::open(folder.path("x.png"));
        ASSERT_TRUE(source);
        vips::VSource stream = pngDecoderSource(*source);
        Bytes read, buffer(7);  // small reads, across the seams of the pieces
        for (gint64 n; (n = vips_source_read(stream.get_source(), buffer.data(), 7)) > 0;)
            read.insert(read.end(), buffer.begin(), buffer.begin() + n);
        EXPECT_EQ(read, seen);
    }
}

}  // namespace
}  // namespace varnholt
