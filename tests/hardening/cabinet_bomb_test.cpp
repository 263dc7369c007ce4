// A cabinet of a few hundred kilobytes that unpacks to more than a machine holds.
#include "broken_forms.h"

#include "base/error.h"
#include "platform/cabinet.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

std::string le(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(v >> (8 * i) & 0xFF);
    return out;
}

// A cabinet of one file, blocks × 32 KB of zeros, each block compressed to 48 bytes.
std::string zeroBomb(std::uint32_t blocks) {
    static const unsigned char kZeros[] = {
        0xed, 0xc1, 0x01, 0x01, 0x00, 0x00, 0x00, 0x80, 0x90, 0xfe, 0xaf, 0xee, 0x08, 0x0a, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x18};
    const std::string data = "CK" + std::string(reinterpret_cast<const char*>(kZeros), sizeof kZeros);
    const std::string sizes = le(static_cast<std::uint32_t>(data.size()), 2) + le(32768, 2);
    // The block checksum: the data, then the two sizes, as little-endian words XORed together.
    auto words = [](const std::string& bytes, std::uint32_t sum) {
        for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
            for (std::size_t b = 0; b < 4; ++b)
                sum ^= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + b])) << (8 * b);
        return sum;
    };
    const std::string block = le(words(sizes, words(data, 0)), 4) + sizes + data;
    const std::string file = le(blocks * 32768u, 4) + le(0, 4) + le(0, 2) + le(0x2CB1, 2) + le(0x4800, 2) +
                             le(0x20, 2) + std::string("BOMB.DAT", 9);
    const std::uint32_t dataStart = 36 + 8 + static_cast<std::uint32_t>(file.size());
    const std::uint32_t total = dataStart + blocks * static_cast<std::uint32_t>(block.size());
    std::string cab = "MSCF" + le(0, 4) + le(total, 4) + le(0, 4) + le(44, 4) + le(0, 4) + "\x03\x01" +
                      le(1, 2) + le(1, 2) + le(0, 2) + le(0, 2) + le(0, 2);
    cab += le(dataStart, 4) + le(blocks, 2) + le(1, 2); // one MSZIP folder
    cab += file;
    for (std::uint32_t i = 0; i < blocks; ++i)
        cab += block;
    return cab;
}

} // namespace

TEST(BrokenCabinets, ACabinetThatUnpacksToGigabytesIsRefusedBeforeUnpacking) {
    // A sound one of the same make first, so that the refusal is for its size alone.
    const auto small = w98::readCabinet(zeroBomb(4), "C:\\SMALL.CAB");
    ASSERT_EQ(small.size(), 1u);
    EXPECT_EQ(small[0].data, std::string(4 * 32768, '\0'));

    const std::uint32_t blocks = static_cast<std::uint32_t>(w98::kMaxCabinetContent / 32768) + 1;
    TempMachine tm;
    tm.machine().writeFile("C:\\BOMB.CAB", zeroBomb(blocks));
    const std::string out =
        test::runProgram(tm.machine(), "extract", {"/y", "/e", "/l", "C:\\OUT", "C:\\BOMB.CAB"});
    EXPECT_NE(out.find("Nothing was extracted"), std::string::npos) << out;
    EXPECT_FALSE(tm.machine().exists("C:\\OUT\\BOMB.DAT"));
}
