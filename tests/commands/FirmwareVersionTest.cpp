#include "commands/Catalogue.h"
#include "commands/FirmwareVersion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>

namespace orvek {
namespace {

struct VersionCase {
    std::string_view name;
    std::int32_t version;
    bool upToSix;  // as the reader's firmware counts, unsigned
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class ApplyFirmwareVersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(ApplyFirmwareVersionTest, SwapsTheSevenCommands)
{
    const VersionCase& c = GetParam();
    const auto availability = ApplyFirmwareVersion(c.version);
    const int expectedNumbers[] = {11, 12, 16, 17, 20, 50, 51};
    ASSERT_EQ(availability.size(), std::size(expectedNumbers));
    for (std::size_t i = 0; i < availability.size(); ++i) {
        const CommandAvailability& entry = availability[i];
        EXPECT_EQ(entry.number, expectedNumbers[i]);
        EXPECT_NE(FindCommand(entry.number), nullptr) << entry.number;
        EXPECT_EQ(entry.enabled, entry.number == 20 ? !c.upToSix : c.upToSix) << entry.number;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ApplyFirmwareVersionTest,
                         testing::Values(VersionCase{"Zero", 0, true}, VersionCase{"Six", 6, true},
                                         VersionCase{"Seven", 7, false}, VersionCase{"Twelve", 12, false},
                                         VersionCase{"MinusOne", -1, false},
                                         VersionCase{"Lowest", std::numeric_limits<std::int32_t>::min(), false},
                                         VersionCase{"Highest", std::numeric_limits<std::int32_t>::max(), false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvek
