#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;

std::string data(const std::string& relative) {
    // The program lists files by their absolute, lexically normal path.
    return (fs::path(VARNHOLT_TESTDATA) / relative).lexically_normal().string();
}

const std::string kLandscape6 = data("recurser-exif-orientation-examples/Landscape_6.jpg");
const std::string kPortrait = data("recurser-exif-orientation-examples/Portrait_1.jpg");
const std::string kIndexedPng = data("libvips/indexed.png");
const std::string kNokia = data("ianare-exif-samples/HMD_Nokia_8.3_5G.jpg");
const std::string kOlympus = data("ianare-exif-samples/42_IndexError.jpg");
const std::string kGps = data("ianare-exif-samples/DSCN0010.jpg");

std::string shellQuoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// Standard output of a shell command, trailing newlines removed.
std::string shell(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, got);
        pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

struct ProgramRun {
    int status = -1;
    std::string out, err, terminal;
};

// Runs the program in a session without a terminal, or with typed given, on a
// pseudo-terminal that receives it; terminal is what the program wrote there.
ProgramRun cli(const std::vector<std::string>& args, const std::optional<std::string>& typed = {}) {
    TempFolder io;
    std::string command = shellQuoted(VARNHOLT_CLI);
    for (const auto& arg : args) command += " " + shellQuoted(arg);
    command += " >" + shellQuoted(io / "out") + " 2>" + shellQuoted(io / "err");
    const std::string status = shellQuoted(io / "status");
    ProgramRun run;
    if (typed) {
        // The typing side stays open until the program ends (at its end script would wait
        // two seconds), or 30 seconds at most, so that a program still asking gets the end.
        run.terminal =
            shell("(printf %s " + shellQuoted(*typed) + "; i=0; while [ ! -e " + status +
                  " ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done) | { script -qec " +
                  shellQuoted(command) + " /dev/null; echo $? >" + status + "; }");
    } else {
        shell("setsid -w sh -c " + shellQuoted(command + " </dev/null") + "; echo $? >" + status);
    }
    run.status = std::stoi("0" + readFile(io / "status"));
    run.out = readFile(io / "out");
    run.err = readFile(io / "err");
    return run;
}

std::string header(const std::string& file, const std::string& field) {
    return shell("vipsheader -f " + field + " " + shellQuoted(file) + " 2>/dev/null");
}

std::string exif(const std::string& file, const std::string& tag) {
    return shell("exiftool -s3 -" + tag + " " + shellQuoted(file));
}

TEST(Cli, RefusesInvalidUsageAndSettings) {
    TempFolder out;
    const std::string text = out.write("notes.txt", "hello");
    const std::string noImages = "There are no images to resize.\n";
    const std::string invalid = "The dimensions you entered are not valid.\n";
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--width", "100", "--output", out.path()}, noImages},
        {{"--width", "100", "--output", out.path(), text},
         text + ": not an accepted image file, ignored\n" + noImages},
        {{"--output", out.path(), kPortrait}, invalid},  // the default width is 0
        {{"--width", "100", "--height", "1", kPortrait}, "Please select an output folder.\n"},
        {{"--width", "100", "--height", "1", "--dpi", "5000000", "--output", out.path(), kPortrait},
         "The DPI you entered is not valid.\n"},
        {{"--mode", "fit", kPortrait}, "--mode"},
        {{"--format", "webp", kPortrait}, "--format"},
        {{"--quality", "101", kPortrait}, "--quality"},
    };
    for (const auto& [args, inErr] : rows) {
        SCOPED_TRACE(inErr);
        const ProgramRun run = cli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(inErr), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(out.entries(), 1);  // only the text file
}

TEST(Cli, HelpAndVersion) {
    const ProgramRun help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--dry-run"), std::string::npos) << help.out;
    const ProgramRun version = cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("varnholt-cli ", 0), 0u) << version.out;
}

TEST(Cli, DryRunPrintsPlannedSizes) {
    TempFolder out;
    using Args = std::vector<std::string>;
    const std::tuple<Args, std::string, std::string> rows[] = {
        {{"--mode", "width", "--width", "900"}, kLandscape6, "900x600"},  // shown upright
        {{"--mode", "width", "--width", "900", "--larger-side"}, kPortrait, "600x900"},
        {{"--width", "900", "--height", "1"}, kIndexedPng, "900x1372"},
        {{"--width", "300", "--height", "200", "--no-aspect"}, kIndexedPng, "300x200"},
        {{"--mode", "percent", "--width", "33", "--height", "33"}, kIndexedPng, "95x145"},
        {{"--mode", "height", "--height", "100"}, kOlympus, "133x100"},
        {{"--mode", "box", "--width", "800", "--height", "800"}, kOlympus, "800x600"},
        {{"--mode", "width", "--width", "5000", "--no-enlarge"}, kLandscape6, "1800x1200"},
        {{"--mode", "width", "--width", " 450px"}, kLandscape6, "450x300"},
        {{"--mode", "width", "--width", "1"}, kNokia, "fail"},  // the height rounds to 0
    };
    for (auto [args, source, size] : rows) {
        SCOPED_TRACE(size);
        args.insert(args.end(), {"--dry-run", "--output", out.path(), source});
        const ProgramRun run = cli(args);
        const std::string output = out / (fs::path(source).stem().string() + "_res (1).jpg");
        EXPECT_EQ(run.out, source + "\t" + output + "\t" + size + "\n");
        EXPECT_EQ(run.status, size == "fail" ? 1 : 0) << run.err;
    }
    EXPECT_EQ(out.entries(), 0);
}

TEST(Cli, DryRunFollowsTheListRules) {
    TempFolder in;
    const std::string fake = in.write("fake.jpg", "not an image");
    const std::string upper = in.copy(kPortrait, "UPPER.JPG");
    const std::string text = in.write("readme.txt", "x");
    // Relative paths become absolute, so both spellings of one file are one entry.
    const ProgramRun run =
        cli({"--dry-run", "--mode", "width", "--width", "10", "--output", in / "out", "--format",
             "png", "--case", "lower", upper, text, fs::relative(upper).string(), fake});
    EXPECT_EQ(run.out, upper + "\t" + in / "out/upper_res (1).png" + "\t10x15\n" + fake + "\t" +
                           in / "out/fake_res (2).png" + "\tfail\n");
    EXPECT_EQ(run.err, text + ": not an accepted image file, ignored\n");
    EXPECT_EQ(run.status, 1);

    // "link/.." is where the link points to, not the folder holding the link.
    fs::create_directories(in / "elsewhere/sub");
    fs::create_directory_symlink(in / "elsewhere/sub", in / "link");
    const std::string far = in.copy(kPortrait, "elsewhere/far.jpg");
    const ProgramRun linked = cli({"--dry-run", "--mode", "width", "--width", "10", "--output",
                                   in / "out", in / "link/../far.jpg"});
    EXPECT_EQ(linked.out.substr(0, linked.out.find('\t')), far);
}

TEST(Cli, WritesEveryImageAndReports) {
    TempFolder in, out;
    std::vector<std::string> args{"--mode=width", "--width=120", "--name=thumb-[FileIndex]",
                                  "--case=upper", "--dpi=300",   "--keep-metadata",
                                  "--output",     out.path()};
    for (const auto& [from, name] :
         {std::pair{kPortrait, "one.jpg"}, {kIndexedPng, "two.png"}, {kGps, "three.JPEG"}}) {
        args.push_back(in.copy(from, name));
    }
    const ProgramRun run = cli(args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Images resized successfully.\n");
    EXPECT_EQ(run.err, "");
    for (const auto& [name, height, make] : {std::tuple{"THUMB-1.jpg", "180", ""},
                                             {"THUMB-2.jpg", "183", ""},
                                             {"THUMB-3.jpg", "90", "NIKON"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(header(out / name, "vips-loader"), "jpegload");
        EXPECT_EQ(header(out / name, "width"), "120");
        EXPECT_EQ(header(out / name, "height"), height);
        EXPECT_EQ(exif(out / name, "XResolution"), "300");
        EXPECT_EQ(exif(out / name, "Make"), make);
    }
    EXPECT_EQ(out.entries(), 3);
    args.insert(args.begin(), {"--quiet", "--overwrite", "yes"});
    const ProgramRun quiet = cli(args);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST(Cli, MetadataAJpegCannotHoldIsLeftOutWithANote) {
    TempFolder in, out;
    const std::string source = in / "big.png";
    std::string entries;  // 68 KB of EXIF
    for (const char* tag :
         {"ImageDescription", "Model", "Software", "Artist", "Copyright", "DocumentName",
          "PageName", "HostComputer", "LensMake", "LensModel", "LensSerialNumber", "SerialNumber",
          "OwnerName", "UserComment", "GPSMapDatum", "GPSSatellites", "GPSProcessingMethod"}) {
        entries += std::string(" -") + tag + "=$(head -c 4000 /dev/zero | tr '\\0' y)";
    }
    shell("/usr/bin/convert -size 60x30 gradient: " + shellQuoted(source) +
          " && exiftool -q -overwrite_original -Make=BigCo -Orientation#=6" + entries + " " +
          shellQuoted(source) + " 2>/dev/null");
    const ProgramRun run =
        cli({"--mode=width", "--width=30", "--keep-metadata", "--output", out.path(), source});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Images resized successfully.\n");
    EXPECT_EQ(run.err, source + ": metadata not kept: too large for JPEG\n");
    EXPECT_EQ(header(out / "big_res (1).jpg", "height"), "60");  // upright
    EXPECT_EQ(exif(out / "big_res (1).jpg", "Make"), "");
}

TEST(Cli, FailedImagesAreNamedAndTheRestIsWritten) {
    TempFolder in, out;
    const std::string fake = in.write("fake.jpg", "not an image");
    const std::string missing = in / "gone.jpg";
    const ProgramRun run = cli({"--mode", "width", "--width", "40", "--output", out.path(), fake,
                                in.copy(kPortrait, "good.jpg"), missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Some images could not be resized.\n");
    EXPECT_EQ(run.err, fake + ": cannot read image\n" + missing + ": cannot read image\n");
    EXPECT_EQ(header(out / "good_res (2).jpg", "width"), "40");
    EXPECT_EQ(out.entries(), 1);
}

TEST(Cli, OverwriteAnswers) {
    struct Row {
        std::vector<std::string> options;
        std::optional<std::string> typed;  // on a terminal
        bool firstReplaced, secondReplaced;
        std::size_t questions;
    };
    const Row rows[] = {
        {{"--overwrite", "no"}, {}, false, false, 0},
        {{"--overwrite", "yes"}, {}, true, true, 0},
        {{}, {}, false, false, 0},  // ask without a terminal means no
        {{"--overwrite", "no"}, "y\ny\n", false, false, 0},
        {{}, "y\nn\n", true, false, 2},
        {{"--overwrite", "ask"}, "no\nYES\n", false, true, 2},
        {{}, "a\n", true, true, 1},
        {{}, "s\n", false, false, 1},
        {{}, "maybe\ny\nn\n", true, false, 3},  // an unclear reply is asked again
        {{}, "\x04", false, false, 1},          // the end of input means no to all
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.options.size() << " " << row.typed.value_or("-"));
        TempFolder out;
        const std::string first = out.write("Portrait_1_res (1).jpg", "old");
        const std::string second = out.write("Landscape_6_res (2).jpg", "old");
        std::vector<std::string> args = row.options;
        args.insert(args.end(),
                    {"--mode=width", "--width=64", "--output", out.path(), kPortrait, kLandscape6});
        const ProgramRun run = cli(args, row.typed);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Images resized successfully.\n");
        for (const auto& [file, replaced] :
             {std::pair{first, row.firstReplaced}, {second, row.secondReplaced}}) {
            EXPECT_EQ(replaced ? header(file, "width") : readFile(file), replaced ? "64" : "old");
        }
        const std::string question = "already exists. Do you want to overwrite it?";
        std::size_t questions = 0;
        for (auto at = run.terminal.find(question); at != std::string::npos;
             at = run.terminal.find(question, at + 1)) {
            ++questions;
        }
        EXPECT_EQ(questions, row.questions) << run.terminal;
        EXPECT_EQ(run.terminal.find("The file " + first + " " + question) != std::string::npos,
                  row.questions > 0);
        EXPECT_EQ(out.entries(), 2);  // no temporary file left behind
    }
}

}  // namespace
}  // namespace varnholt
