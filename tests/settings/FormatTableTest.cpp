#include "settings/FormatTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace varnholt {
namespace {

std::string installed(const std::string& name) {
    std::ifstream file(std::string(VARNHOLT_TESTDATA) + "/../../data/io.github.varnholt.Varnholt." +
                       name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(FormatTable, ThePopupFollowsTheRowsAndTheHeifCondition) {
    const std::pair<HeifCodecs, std::size_t> conditions[] = {
        {false, 13}, {true, 16}, {{true, false}, 15}, {{false, true}, 14}};
    for (const auto& [codecs, count] : conditions) {
        const auto items = formatPopupItems(codecs);
        ASSERT_EQ(items.size(), count);
        EXPECT_EQ(items.back(), OutputFormat::Original);
        EXPECT_EQ(items[items.size() - 2], OutputFormat::JXL);
    }
    for (const auto format : formatPopupItems(true)) {
        EXPECT_EQ(formatFromTitle(formatTitle(format)), format);
    }
    EXPECT_EQ(formatFromTitle("jpg"), std::nullopt);
}

TEST(FormatTable, TheDesktopEntryAndMetainfoDeclareTheRowsMimeTypes) {
    std::set<std::string> all, own;
    for (const auto& row : formatRows()) {
        std::stringstream types{std::string(row.mimeTypes)};
        for (std::string type; std::getline(types, type, ';');) all.insert(type);
        own.insert(std::string(row.mimeTypes.substr(0, row.mimeTypes.find(';'))));
    }
    std::smatch line;
    const std::string desktop = installed("desktop");
    ASSERT_TRUE(std::regex_search(desktop, line, std::regex("\nMimeType=([^\n]*);\n")));
    std::set<std::string> declared;
    std::stringstream types{line[1].str()};
    for (std::string type; std::getline(types, type, ';');) declared.insert(type);
    EXPECT_EQ(declared, all);
    declared.clear();
    const std::string metainfo = installed("metainfo.xml");
    const std::regex mediatype("<mediatype>([^<]*)</mediatype>");
    for (auto it = std::sregex_iterator(metainfo.begin(), metainfo.end(), mediatype);
         it != std::sregex_iterator(); ++it) {
        declared.insert((*it)[1].str());
    }
    EXPECT_EQ(declared, own);
}

}  // namespace
}  // namespace varnholt
