// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <regex>
#include <sstream>

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
// pseudo-terminal that receives it and its standard error; terminal is what the program wrote
// there. environment: variables to set, "NAME=value ...", or a command to run the program with.
ProgramRun cli(const std::vector<std::string>& args, const std::optional<std::string>& typed = {},
               const std::string& environment = {}) {
    TempFolder io;
    std::string command = "env " + environment + " " + shellQuoted(VARNHOLT_CLI);
    for (const auto& arg : args) command.append(" ").append(shellQuoted(arg));
    command += " >" + shellQuoted(io / "out");
    if (!typed) command += " 2>" + shellQuoted(io / "err");
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
    run.status = std::stoi(readFile(io / "status"));
    run.out = readFile(io / "out");
    run.err = readFile(io / "err");
    return run;
}

TEST(Cli, RefusesInvalidUsageAndSettings) {
    TempFolder out, in;
    const std::string text = out.write("notes.txt", "hello");
    const std::string twin = in.copy(kPortrait, "Portrait_1.jpg");
    const std::string noImages = "varnholt-cli: There are no images to resize.\n";
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--width", "100", "--output", out.path(), text},
         text + ": not an accepted image file, ignored\n" + noImages},
        {{"--output", out.path(), kPortrait},
         "varnholt-cli: --width: The dimensions you entered are not valid.\n"},
        {{"--mode", "fit", kPortrait}, "varnholt-cli: --mode"},
        {{"--format", "pcx", kPortrait}, "varnholt-cli: --format"},
        {{"--quality", "101", kPortrait},
         "varnholt-cli: --quality: must be a number from 0 to 100"},
        {{"--dpi", "abc", kPortrait}, "varnholt-cli: --dpi: The DPI you entered is not valid."},
        {{"--shard", "0/3", "--overwrite=no", kPortrait}, "varnholt-cli: --shard: must be K/N"},
        {{"--shard", "4/3", "--overwrite=no", kPortrait}, "varnholt-cli: --shard: must be K/N"},
        {{"--shard", "1/3", kPortrait}, "varnholt-cli: --shard: needs --overwrite yes or no\n"},
        {{"--width=1", "--height=1", "--name=[FileName]", "--overwrite=yes", "--shard=2/2",
          "--output", out.path(), kPortrait, twin},
         "varnholt-cli: --shard: images 1 and 2 write or read one file"},
        {{"--width=1", "--height=1", "--output", text + "/sub", kPortrait},
         "varnholt-cli: Cannot create the output folder " + text + "/sub: not a directory.\n"},
    };
    for (const auto& [args, inErr] : rows) {
        SCOPED_TRACE(inErr);
        const ProgramRun run = cli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(inErr), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(out.entries().size(), 1u);  // only the text file
    const ProgramRun version = cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("varnholt-cli ", 0), 0u) << version.out;
}

// One row per size option: each reaches the setting the panel would set. A size beyond the
// format's limit fails in the plan, before any work.
TEST(Cli, DryRunPrintsPlannedSizes) {
    TempFolder out;
    using Args = std::vector<std::string>;
    const std::tuple<Args, std::string, std::string, std::string> rows[] = {
        {{"--mode", "width", "--width", "900", "--larger-side"}, kPortrait, "600x900", ""},
        {{"--width", "900", "--height", "1", "--quality= +50 "}, kIndexedPng, "900x1372", ""},
        {{"--width", "300", "--height", "200", "--no-aspect"}, kIndexedPng, "300x200", ""},
        {{"--mode", "percent", "--width", "33", "--height", "33"}, kIndexedPng, "95x145", ""},
        {{"--mode", "height", "--height", " +100 "}, kIndexedPng, "66x100", ""},
        {{"--mode", "box", "--width", "800", "--height", "800"}, kLandscape6, "800x533", ""},
        {{"--mode", "width", "--width", "5000", "--no-enlarge"}, kLandscape6, "1800x1200", ""},
        {{"--mode=width", "--width=9", "--name=a-[FileIndex]", "--case=upper", "--format=png"},
         kIndexedPng,
         "9x14",
         "A-1.png"},
        {{"--mode=width", "--width=20000", "--format=webp"},
         kIndexedPng,
         "fail: size too large for WEBP (at most 16383 pixels a side)",
         "indexed_res (1).webp"},
    };
    for (auto [args, source, size, name] : rows) {
        SCOPED_TRACE(size);
        args.insert(args.end(), {"--dry-run", "--output", out.path(), source});
        const ProgramRun run = cli(args);
        if (name.empty()) name = fs::path(source).stem().string() + "_res (1).jpg";
        const std::string output = out / name;
        EXPECT_EQ(run.out, source + "\t" + output + "\t" + size + "\n");
        EXPECT_EQ(run.status, size.starts_with("fail:") ? 1 : 0) << run.err;
    }
    EXPECT_EQ(out.entries().size(), 0u);
}

// Folders and path lists make one batch: the arguments in order (a folder as its visible images
// in natural order), then the list's paths.
TEST(Cli, FoldersAndPathListsMakeOneBatch) {
    TempFolder in, out;
    fs::create_directories(in / "trip/sub");
    for (const char* name : {"trip/img10.jpg", "trip/img2.jpg", "a b.jpg"})
        in.copy(kPortrait, name);
    const std::string dryRun =
        shell("printf '%s\\0' " + shellQuoted(in / "a b.jpg") + " | " + shellQuoted(VARNHOLT_CLI) +
              " --null --files-from - --dry-run --mode=width --width=10 --output " +
              shellQuoted(out.path()) + " " + shellQuoted(in / "trip") + " | cut -f1");
    EXPECT_EQ(dryRun, in / "trip/img2.jpg\n" + in / "trip/img10.jpg\n" + in / "a b.jpg");
    const ProgramRun missing = cli({"--files-from", in / "none.txt", "--output", out.path()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "varnholt-cli: --files-from: cannot read " + in / "none.txt" + "\n");

    // Kept sub-folders are made on the way; the dry run shows the paths written.
    in.copy(kPortrait, "trip/sub/img2.jpg");
    const std::string keep = shellQuoted(VARNHOLT_CLI) +
                             " --keep-folders --mode=width --width=10 --name=[FileName] --output " +
                             shellQuoted(out.path()) + " " + shellQuoted(in / "trip") + " " +
                             shellQuoted(in / "a b.jpg");
    EXPECT_EQ(shell(keep + " --dry-run | cut -f2"),
              out / "img2.jpg\n" + out / "img10.jpg\n" + out / "sub/img2.jpg\n" + out / "a b.jpg");
}

// Every image that is not written or lost a part of its metadata and every argument that is
// not taken gets a line; the status says whether all went as asked.
TEST(Cli, ReasonsAndExitStatuses) {
    TempFolder in, out;
    const std::string fake = in.write("fake.jpg", "not an image");
    const std::string notAnImage = fake + ": not an image of an accepted format\n";
    const std::string good = in.copy(kPortrait, "IMG_1.jpg"), twin = in.copy(kGps, "IMG_1.png");
    const std::string folder = in / "folder.jpg";
    fs::create_directories(folder);
    const std::string taken = out.write("taken.jpg", "old"), ok = "Images resized successfully.\n";
    const std::string some = "Some images could not be resized.\n", one = "1 of 1 image written.\n";
    const std::string big = in / "big.png";  // more XMP than a JPEG holds
    shell("/usr/bin/convert -size 60x30 gradient: " + shellQuoted(big) +
          " && exiftool -q -overwrite_original -XMP-dc:Description=$(head -c 100000 /dev/zero | "
          "tr '\\0' x) " +
          shellQuoted(big) + " 2>/dev/null");
    const std::tuple<std::vector<std::string>, int, std::string, std::string> rows[] = {
        {{fake, good}, 1, some + "1 of 2 images written. 1 of 2 images failed.\n", notAnImage},
        {{"--quiet", fake}, 1, "", notAnImage},  // no closing message
        {{big}, 0, ok + one, big + ": XMP not kept: too large for JPEG\n"},
        {{good, folder}, 1, some + one, folder + ": a folder without accepted images, ignored\n"},
        {{good, twin},
         0,
         ok + "1 of 2 images written. 1 of 2 images skipped (name clash).\n",
         twin + ": skipped (clash with image 1)\n"},
        {{"--dry-run", good, twin, in.copy(kPortrait, "taken.jpg")},
         0,
         good + "\t" + out / "IMG_1.jpg\t40x60\n" + twin + "\t" + out / "IMG_1.jpg\t40x30\t" +
             "clash with image 1\n" + in / "taken.jpg\t" + taken + "\t40x60\texists\n",
         ""},
        {{"--dry-run", fs::relative(good), good},  // one file, two spellings
         1,
         good + "\t" + out / "IMG_1.jpg\t40x60\n",
         good + ": listed already, ignored\n"},
    };
    for (const auto& [files, status, printed, errors] : rows) {
        SCOPED_TRACE(errors);
        std::vector<std::string> args{"--mode=width",    "--name=[FileName]", "--width=40",
                                      "--keep-metadata", "--output",          out.path()};
        args.insert(args.end(), files.begin(), files.end());
        const ProgramRun run = cli(args);
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(run.out, printed);
        EXPECT_EQ(run.err, errors);
        fs::remove(out / "IMG_1.jpg");
    }
}

// Each folder that cannot be read, given or met inside, gets a line with the system's reason;
// the other images are still taken, and the status says that something was left out. A name
// that would control the terminal is shown quoted.
TEST(Cli, UnreadableFoldersAndControlCharactersInNames) {
    TempFolder in;
    fs::create_directories(in / "trip/locked");
    fs::create_directories(in / "shut");
    in.copy(kPortrait, "trip/a\033[2J.jpg");
    ASSERT_EQ(chmod(in.path().c_str(), 0755) + chmod((in / "trip/locked").c_str(), 0) +
                  chmod((in / "shut").c_str(), 0),
              0);
    // Root reads every folder: the program runs as nobody then.
    const std::string user =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    const ProgramRun run = cli({"--dry-run", "--name=[FileName]", "--mode=width", "--width=10",
                                "--output", in.path(), in / "trip", in / "shut"},
                               {}, user);
    for (const char* folder : {"trip/locked", "shut"}) chmod((in / folder).c_str(), 0700);
    const std::string denied = ": cannot read the folder: permission denied\n";
    EXPECT_EQ(run.err, in / "trip/locked" + denied + in / "shut" + denied);
    // Appended, not "'" + string: GCC 12's -O3 misreads that as an overlapping copy.
    std::string quoted = "'";
    quoted += in / "trip/a'$'\\033''[2J.jpg'\t'";
    quoted += in / "a'$'\\033''[2J.jpg'\t10x15\n";
    EXPECT_EQ(run.out, quoted);
    EXPECT_EQ(run.status, 1);
}

// Three shards, and two chunks numbered on with --index-start, write what one run writes.
TEST(Cli, ShardsAndChunksWriteWhatOneRunWrites) {
    TempFolder in, whole, shards, chunks;
    for (const char* name : {"a.png", "b.png", "c.png", "d.png", "e.png"})
        in.copy(kIndexedPng, name);
    const auto run = [&](std::vector<std::string> args, const TempFolder& out) {
        args.insert(args.begin(), {"--mode=width", "--width=8", "--name=i[FileIndex]",
                                   "--overwrite=no", "--output", out.path()});
        return cli(args);
    };
    EXPECT_EQ(run({in.path()}, whole).status, 0);
    for (const char* shard : {"1/3", "2/3", "3/3"})
        EXPECT_EQ(run({"--shard", shard, in.path()}, shards).status, 0);
    EXPECT_EQ(run({"--shard=2/3", in.path()}, shards).out,
              "Images resized successfully.\nShard 2/3: 2 of 2 images skipped (file exists).\n");
    EXPECT_EQ(
        run({"--shard=2/3", "--dry-run", in.path()}, chunks).out,
        in / "b.png\t" + chunks / "i2.jpg\t8x12\n" + in / "e.png\t" + chunks / "i5.jpg\t8x12\n");
    run({in / "a.png", in / "b.png"}, chunks);
    run({"--index-start=3", in / "c.png", in / "d.png", in / "e.png"}, chunks);
    EXPECT_EQ(shell("diff -r " + whole.path() + " " + shards.path() + " && diff -r " +
                    whole.path() + " " + chunks.path() + " && ls " + whole.path()),
              "i1.jpg\ni2.jpg\ni3.jpg\ni4.jpg\ni5.jpg");
}

TEST(Cli, OverwriteAnswers) {
    struct Row {
        std::vector<std::string> options;
        std::optional<std::string> typed;  // on a terminal
        bool firstReplaced, secondReplaced;
        std::size_t questions;
    };
    const Row rows[] = {
        {{"--overwrite", "yes"}, {}, true, true, 0},
        {{}, {}, false, false, 0},  // ask without a terminal means no
        {{"--overwrite", "no"}, "y\ny\n", false, false, 0},
        {{"--overwrite", "ask"}, "no\nYES\n", false, true, 2},
        {{}, "maybe\ny\n\n", true, false, 3},  // an unclear reply is asked again; Enter is no
        {{}, "\x04", false, false, 1},         // the end of input means no to all
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.options.size() << " " << row.typed.value_or("-"));
        TempFolder out;
        const std::string first = out.write("Portrait_1_res (1).jpg", "old");
        const std::string second = out.write("Landscape_6_res (2).jpg", "old");
        std::vector<std::string> args = row.options;
        args.insert(args.end(), {"--mode=width", "--width=64", "--dpi=+300", "--output", out.path(),
                                 kPortrait, kLandscape6});
        const ProgramRun run = cli(args, row.typed);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.rfind("Images resized successfully.\n", 0), 0u);
        for (const auto& [file, replaced] :
             {std::pair{first, row.firstReplaced}, {second, row.secondReplaced}}) {
            const std::string vipsheader =
                "vipsheader -f width " + shellQuoted(file) + "; vipsheader -f xres ";
            EXPECT_EQ(replaced ? shell(vipsheader + shellQuoted(file)) : readFile(file),
                      replaced ? "64\n11.811023622047244" : "old");
        }
        const std::string question = "already exists. Do you want to overwrite it?";
        std::size_t questions = 0;
        for (auto at = run.terminal.find(question); at != std::string::npos; ++questions)
            at = run.terminal.find(question, at + 1);
        EXPECT_EQ(questions, row.questions) << run.terminal;
        EXPECT_EQ(out.entries().size(), 2u);  // no temporary file left behind
    }
}

// Under the pseudo-language every text is the catalogue's, wrapped in ⟦ ⟧: a line without the
// mark holds a text that bypasses gettext. The help, a usage error, and a batch on a terminal
// with its progress line, a skipped image, the closing message and the counts.
TEST(Cli, EveryTextComesFromTheCatalogue) {
    const auto unmarked = [](const std::string& text) {
        std::string lines;
        std::stringstream in(text);
        // The progress line is rewritten in place: each of its states is a line.
        for (std::string line; std::getline(in, line, '\n');) {
            std::stringstream states(line);
            for (std::string state; std::getline(states, state, '\r');) {
                if (const auto clear = state.find("\033[K"); clear != std::string::npos)
                    state.erase(clear, 3);
                // An option whose name and value are too long for the column has a line
                // of its own: option syntax, nothing to translate.
                static const std::regex syntaxOnly("  --[a-z-]+ [A-Z]+(:\\{[a-z0-9,]+\\})?");
                if (!state.empty() && state.find("\u27e6") == std::string::npos &&
                    !std::regex_match(state, syntaxOnly))
                    lines += state + "\n";
            }
        }
        return lines;
    };
    const std::string pseudo = "LANGUAGE=pseudo";
    const ProgramRun help = cli({"--help"}, {}, pseudo);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--dry-run"), std::string::npos);
    EXPECT_EQ(unmarked(help.out), "");
    const ProgramRun usage = cli({"--quality", "101", kPortrait}, {}, pseudo);
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(unmarked(usage.err), "");

    // Standard error on the terminal, where the progress line shows.
    TempFolder out;
    out.write("same (1).jpg", "taken");
    const ProgramRun batch = cli({"--width=8", "--height=8", "--name=same", "--overwrite=no",
                                  "--output", out.path(), kPortrait, kIndexedPng},
                                 "", pseudo);
    EXPECT_NE(batch.terminal.find("\r\u27e6"), std::string::npos) << "no progress line";
    EXPECT_NE(batch.terminal.find(kPortrait + ": "), std::string::npos) << batch.terminal;
    EXPECT_EQ(unmarked(batch.terminal + batch.out), "");
}

}  // namespace
}  // namespace varnholt
