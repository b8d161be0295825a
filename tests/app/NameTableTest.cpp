// The name table compares and hashes names eight bytes at a time, the last eight in one load that
// may overlap: names that differ in any one byte, at any length, must get numbers of their own,
// and the same name always the same number.

#include "NameTable.h"

#include <gtest/gtest.h>

#include <string>

TEST(NameTable, EveryByteOfEveryLengthTells) {
    TNameTable names;
    for (std::size_t length = 0; length <= 40; ++length) {
        const std::string name(length, 'a');
        const std::uint32_t id = names.Intern(name);
        EXPECT_EQ(names.Text(id), name);
        for (std::size_t at = 0; at < length; ++at) {
            std::string other = name;
            other[at] = 'b';
            const std::uint32_t otherId = names.Intern(other);
            ASSERT_NE(otherId, id) << length << " " << at;
            EXPECT_TRUE(names.Is(otherId, other));
            EXPECT_FALSE(names.Is(id, other));
            EXPECT_EQ(names.Intern(other), otherId);
        }
        EXPECT_EQ(names.Intern(name), id);
    }
    // Past the longest kept, names are cut.
    EXPECT_EQ(names.Text(names.Intern(std::string(300, 'z'))).size(), TNameTable::MaxLength);
}
