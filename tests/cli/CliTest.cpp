#include <gtest/gtest.h>

#include <filesystem>

#include "RunProgram.h"
#include "TempFolder.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;

const std::string kCli = VARNHOLT_CLI;

std::string data(const std::string& relative) {
    // The program lists files by their absolute, lexically normal path.
    return (fs::path(VARNHOLT_TESTDATA) / relative).lexically_normal().string();
}

const std::string kLandscape6 = data("recurser-exif-orientation-examples/Landscape_6.jpg");
const std::string kPortrait1 = data("recurser-exif-orientation-examples/Portrait_1.jpg");
const std::string kIndexedPng = data("libvips/indexed.png");
const std::string kNokia = data("ianare-exif-samples/HMD_Nokia_8.3_5G.jpg");
const std::string kOlympus = data("ianare-exif-samples/42_IndexError.jpg");
const std::string kGps = data("ianare-exif-samples/DSCN0010.jpg");

ProgramRun cli(const std::vector<std::string>& args, Terminal terminal = Terminal::None,
               const std::string& typed = {}) {
    return runProgram(kCli, args, terminal, typed);
}

std::string header(const std::string& file, const std::string& field) {
    return shellOutput("vipsheader -f " + field + " " + quoted(file) + " 2>/dev/null");
}

std::string exif(const std::string& file, const std::string& tag) {
    return shellOutput("exiftool -s3 -" + tag + " " + quoted(file));
}

std::size_t entries(const std::string& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string copyInto(const TempFolder& folder, const std::string& source, const std::string& name) {
    fs::copy_file(source, folder / name);
    return folder / name;
}

TEST(Cli, RefusesInvalidUsageAndSettings) {
    TempFolder out;
    const std::string text = out.write("notes.txt", "hello");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string inErr;
    };
    const Row rows[] = {
        {"no files",
         {"--width", "100", "--output", out.path()},
         2,
         "There are no images to resize.\n"},
        {"only refused files",
         {"--width", "100", "--output", out.path(), text},
         2,
         text + ": not an accepted image file, ignored\nThere are no images to resize.\n"},
        {"default width is 0",
         {"--output", out.path(), kPortrait1},
         2,
         "The dimensions you entered are not valid.\n"},
        {"aspect lock still needs a height",
         {"--width", "10", "--height", "0", kPortrait1},
         2,
         "The dimensions you entered are not valid.\n"},
        {"percent with a zero",
         {"--mode", "percent", "--height", "0", kPortrait1},
         2,
         "The dimensions you entered are not valid.\n"},
        {"no output folder",
         {"--width", "100", "--height", "1", kPortrait1},
         2,
         "Please select an output folder.\n"},
        {"empty output folder",
         {"--width", "100", "--height", "1", "--output", "", kPortrait1},
         2,
         "Please select an output folder.\n"},
        {"unknown mode", {"--mode", "fit", kPortrait1}, 2, "--mode"},
        {"unknown format", {"--format", "webp", kPortrait1}, 2, "--format"},
        {"quality above 100", {"--quality", "101", kPortrait1}, 2, "--quality"},
        {"unknown overwrite", {"--overwrite", "always", kPortrait1}, 2, "--overwrite"},
        {"unknown option", {"--frobnicate", kPortrait1}, 2, "frobnicate"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramRun run = cli(row.args);
        EXPECT_EQ(run.exitStatus, row.status);
        EXPECT_NE(run.err.find(row.inErr), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(entries(out.path()), 1u);  // only the text file
}

TEST(Cli, HelpAndVersion) {
    const ProgramRun help = cli({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* option :
         {"--mode", "--width", "--height", "--no-aspect", "--larger-side", "--no-enlarge", "--dpi",
          "--format", "--quality", "--name", "--case", "--output", "--keep-metadata", "--overwrite",
          "--dry-run", "--quiet", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const ProgramRun version = cli({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("varnholt-cli ", 0), 0u) << version.out;
}

TEST(Cli, DryRunPrintsPlannedSizes) {
    TempFolder out;
    struct Row {
        const char* name;
        std::vector<std::string> options;
        std::string source;
        std::string size;
    };
    const Row rows[] = {
        {"orientation 6 is upright", {"--mode", "width", "--width", "900"}, kLandscape6, "900x600"},
        {"portrait", {"--mode", "width", "--width", "900"}, kPortrait1, "900x1350"},
        {"larger side turns portrait",
         {"--mode", "width", "--width", "900", "--larger-side"},
         kPortrait1,
         "600x900"},
        {"free with aspect", {"--width", "900", "--height", "1"}, kIndexedPng, "900x1372"},
        {"free without aspect",
         {"--width", "300", "--height", "200", "--no-aspect"},
         kIndexedPng,
         "300x200"},
        {"percent halves",
         {"--mode", "percent", "--width", "50", "--height", "50"},
         kIndexedPng,
         "145x221"},
        {"percent fractions truncated",
         {"--mode", "percent", "--width", "33", "--height", "33"},
         kIndexedPng,
         "95x145"},
        {"height", {"--mode", "height", "--height", "100"}, kOlympus, "133x100"},
        {"box", {"--mode", "box", "--width", "800", "--height", "800"}, kOlympus, "800x600"},
        {"no enlarge clamps",
         {"--mode", "width", "--width", "5000", "--no-enlarge"},
         kLandscape6,
         "1800x1200"},
        {"height rounds to 0", {"--mode", "width", "--width", "1"}, kNokia, "fail"},
        {"too large", {"--mode", "width", "--width", "70000"}, kLandscape6, "fail"},
        {"typed text read like the field",
         {"--mode", "width", "--width", " 450px"},
         kLandscape6,
         "450x300"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = row.options;
        for (const char* arg : {"--dry-run", "--output"}) args.push_back(arg);
        args.push_back(out.path());
        args.push_back(row.source);
        const ProgramRun run = cli(args);
        const std::string output = out / (fs::path(row.source).stem().string() + "_res (1).jpg");
        EXPECT_EQ(run.out, row.source + "\t" + output + "\t" + row.size + "\n");
        EXPECT_EQ(run.exitStatus, row.size == "fail" ? 1 : 0) << run.err;
    }
    EXPECT_EQ(entries(out.path()), 0u);
}

TEST(Cli, DryRunFollowsTheListRules) {
    TempFolder in;
    const std::string fake = in.write("fake.jpg", "not an image");
    const std::string upper = copyInto(in, kPortrait1, "UPPER.JPG");
    const std::string text = in.write("readme.txt", "x");
    // Relative paths become absolute, so both spellings of one file are one entry.
    const std::string relative = fs::relative(upper).string();
    const ProgramRun run =
        cli({"--dry-run", "--mode", "width", "--width", "10", "--output", in / "out", "--format",
             "png", "--case", "lower", upper, text, relative, fake});
    EXPECT_EQ(run.out, upper + "\t" + in / "out/upper_res (1).png" + "\t10x15\n" + fake + "\t" +
                           in / "out/fake_res (2).png" + "\tfail\n");
    EXPECT_EQ(run.err, text + ": not an accepted image file, ignored\n");
    EXPECT_EQ(run.exitStatus, 1);
}

TEST(Cli, WritesEveryImageAndReports) {
    TempFolder in;
    TempFolder out;
    const std::vector<std::string> sources{copyInto(in, kLandscape6, "one.jpg"),
                                           copyInto(in, kIndexedPng, "two.png"),
                                           copyInto(in, kPortrait1, "three.JPEG")};
    std::vector<std::string> args{
        "--mode", "width", "--width",  "120",     "--name", "thumb-[FileIndex]",
        "--case", "upper", "--output", out.path()};
    args.insert(args.end(), sources.begin(), sources.end());
    const ProgramRun run = cli(args);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "Images resized successfully.\n");
    EXPECT_EQ(run.err, "");
    const std::pair<const char*, const char*> expected[] = {
        {"THUMB-1.jpg", "80"}, {"THUMB-2.jpg", "183"}, {"THUMB-3.jpg", "180"}};
    for (const auto& [name, height] : expected) {
        SCOPED_TRACE(name);
        EXPECT_EQ(header(out / name, "vips-loader"), "jpegload");
        EXPECT_EQ(header(out / name, "width"), "120");
        EXPECT_EQ(header(out / name, "height"), height);
    }
    EXPECT_EQ(entries(out.path()), 3u);
}

TEST(Cli, QuietPrintsNothingOnSuccess) {
    TempFolder out;
    const ProgramRun run =
        cli({"--quiet", "--mode", "width", "--width", "50", "--output", out.path(), kPortrait1});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(entries(out.path()), 1u);
}

TEST(Cli, FailedImagesAreNamedAndTheRestIsWritten) {
    TempFolder in;
    TempFolder out;
    const std::string good = copyInto(in, kPortrait1, "good.jpg");
    const std::string fake = in.write("fake.jpg", "not an image");
    const std::string missing = in / "gone.jpg";
    const ProgramRun run =
        cli({"--mode", "width", "--width", "40", "--output", out.path(), fake, good, missing});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "Some images could not be resized.\n");
    EXPECT_EQ(run.err, fake + ": cannot read image\n" + missing + ": cannot read image\n");
    EXPECT_EQ(header(out / "good_res (2).jpg", "width"), "40");
    EXPECT_EQ(entries(out.path()), 1u);
}

TEST(Cli, OverwriteAnswers) {
    struct Row {
        const char* name;
        std::vector<std::string> options;
        Terminal terminal;
        std::string typed;
        bool firstReplaced;
        bool secondReplaced;
        std::size_t questions;
    };
    const Row rows[] = {
        {"no", {"--overwrite", "no"}, Terminal::None, "", false, false, 0},
        {"yes", {"--overwrite", "yes"}, Terminal::None, "", true, true, 0},
        {"ask without a terminal means no", {}, Terminal::None, "", false, false, 0},
        {"no overrides the terminal",
         {"--overwrite", "no"},
         Terminal::Attached,
         "y\ny\n",
         false,
         false,
         0},
        {"yes then no", {}, Terminal::Attached, "y\nn\n", true, false, 2},
        {"no then yes", {"--overwrite", "ask"}, Terminal::Attached, "no\nYES\n", false, true, 2},
        {"yes to all asks once", {}, Terminal::Attached, "a\n", true, true, 1},
        {"no to all asks once", {}, Terminal::Attached, "s\n", false, false, 1},
        {"unclear reply is asked again", {}, Terminal::Attached, "maybe\ny\nn\n", true, false, 3},
        {"end of input means no to all", {}, Terminal::Attached, "\x04", false, false, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder out;
        const std::string first = out.write("Portrait_1_res (1).jpg", "old one");
        const std::string second = out.write("Landscape_6_res (2).jpg", "old two");
        std::vector<std::string> args = row.options;
        for (const std::string& arg :
             {std::string("--mode=width"), std::string("--width=64"), std::string("--output"),
              out.path(), kPortrait1, kLandscape6}) {
            args.push_back(arg);
        }
        const ProgramRun run = cli(args, row.terminal, row.typed);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(run.out, "Images resized successfully.\n");
        EXPECT_EQ(readFile(first) != "old one", row.firstReplaced);
        EXPECT_EQ(readFile(second) != "old two", row.secondReplaced);
        if (row.firstReplaced) {
            EXPECT_EQ(header(first, "width"), "64");
        }
        if (row.secondReplaced) {
            EXPECT_EQ(header(second, "width"), "64");
        }
        std::size_t questions = 0;
        const std::string text = "already exists. Do you want to overwrite it?";
        for (auto at = run.terminal.find(text); at != std::string::npos;
             at = run.terminal.find(text, at + 1)) {
            ++questions;
        }
        EXPECT_EQ(questions, row.questions) << run.terminal;
        if (row.questions > 0) {
            EXPECT_NE(run.terminal.find("The file " + first + " already exists."),
                      std::string::npos);
        }
        EXPECT_EQ(entries(out.path()), 2u);  // no temporary file left behind
    }
}

TEST(Cli, OriginalKeepsEachFormat) {
    TempFolder in;
    TempFolder out;
    const std::string png = copyInto(in, kIndexedPng, "a.png");
    const std::string jpg = copyInto(in, kPortrait1, "b.JPG");
    const ProgramRun run = cli({"--format", "original", "--mode", "percent", "--width", "10",
                                "--height", "10", "--output", out.path(), png, jpg});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(header(out / "a_res (1).png", "vips-loader"), "pngload");
    EXPECT_EQ(header(out / "b_res (2).JPG", "vips-loader"), "jpegload");
    EXPECT_EQ(header(out / "b_res (2).JPG", "width"), "120");
}

TEST(Cli, ResolutionAndMetadata) {
    struct Row {
        const char* name;
        std::vector<std::string> options;
        std::string resolution;
        std::string make;
    };
    const Row rows[] = {
        {"defaults", {}, "72", ""},
        {"dpi stamped", {"--dpi", "300"}, "300", ""},
        {"dpi with a sign", {"--dpi", "+150"}, "150", ""},
        {"fraction leaves the default", {"--dpi", "300.5"}, "72", ""},
        {"metadata kept with the new dpi", {"--dpi", "200", "--keep-metadata"}, "200", "NIKON"},
        {"metadata kept, default dpi", {"--keep-metadata"}, "72", "NIKON"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder out;
        std::vector<std::string> args = row.options;
        for (const std::string& arg : {std::string("--mode=width"), std::string("--width=200"),
                                       std::string("--output"), out.path(), kGps}) {
            args.push_back(arg);
        }
        const ProgramRun run = cli(args);
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        const std::string written = out / "DSCN0010_res (1).jpg";
        EXPECT_EQ(exif(written, "XResolution"), row.resolution);
        EXPECT_EQ(exif(written, "Make").rfind(row.make, 0), 0u);
        if (row.make.empty()) {
            EXPECT_EQ(exif(written, "Make"), "");
        }
    }
}

TEST(Cli, OutputOverTheSourceReplacesIt) {
    TempFolder in;
    const std::string source = copyInto(in, kLandscape6, "photo.jpg");
    const ProgramRun run =
        cli({"--name", "[FileName]", "--format", "original", "--mode", "width", "--width", "300",
             "--overwrite", "yes", "--keep-metadata", "--output", in.path(), source});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(entries(in.path()), 1u);
    // Kept metadata keeps the stored layout with its orientation code.
    EXPECT_EQ(exif(source, "Orientation#"), "6");
    EXPECT_EQ(header(source, "width"), "200");
    EXPECT_EQ(header(source, "height"), "300");
}

}  // namespace
}  // namespace varnholt
