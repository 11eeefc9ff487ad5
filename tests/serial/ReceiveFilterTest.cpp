// The receive filter: the driver's marking of bad bytes undone, bad bytes replaced and NULs
// dropped, whatever way the reads split the bytes.

#include "serial/posix/ReceiveFilter.h"
#include "tests/serial/HexBytes.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

TEST(ReceiveFilter, UndoesMarksReplacesAndDropsWhereverReadsSplitTheBytes) {
    ReceiveFilter::Mode keep;
    keep.marked = true;
    ReceiveFilter::Mode replace = keep;
    replace.replace = true;
    replace.replacement = '?';
    ReceiveFilter::Mode dropNul;
    dropNul.dropNul = true;
    ReceiveFilter::Mode keepDrop = keep;
    keepDrop.dropNul = true;
    ReceiveFilter::Mode replaceNulDrop = keepDrop;
    replaceNulDrop.replace = true;
    replaceNulDrop.replacement = 0;
    struct Case {
        const char* label;
        ReceiveFilter::Mode mode;
        Bytes in, out;
    };
    const Case cases[] = {
        {"nothing to do", {}, {0xFF, 0x00, 0x41, 0x00, 0xFF}, {0xFF, 0x00, 0x41, 0x00, 0xFF}},
        {"received 0xFF", keep, {0x41, 0xFF, 0xFF, 0x42}, {0x41, 0xFF, 0x42}},
        {"bad byte kept", keep, {0x31, 0xFF, 0x00, 0x41, 0x32}, {0x31, 0x41, 0x32}},
        {"bad 0xFF kept", keep, {0xFF, 0x00, 0xFF, 0x07}, {0xFF, 0x07}},
        {"bad byte replaced", replace, {0x31, 0xFF, 0x00, 0x41, 0x32}, {0x31, '?', 0x32}},
        {"0xFF runs", replace, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x05}, {0xFF, 0xFF, '?'}},
        {"bad NUL replaced", replace, {0xFF, 0x00, 0x00, 0x00}, {'?', 0x00}},
        {"NULs dropped", dropNul, {0x00, 0x01, 0x00, 0x00, 0x02, 0xFF, 0x00}, {0x01, 0x02, 0xFF}},
        {"bad NUL dropped", keepDrop, {0xFF, 0x00, 0x00, 0x00, 0x41}, {0x41}},
        {"replacement NUL kept", replaceNulDrop, {0x00, 0xFF, 0x00, 0x41, 0x00}, {0x00}},
        {"stray 0xFF", keep, {0x41, 0xFF, 0x42, 0x43}, {0x41, 0x42, 0x43}},
        {"mark left open", keep, {0x41, 0xFF, 0x00}, {0x41}},
    };
    for (const Case& c : cases) {
        // Every split into two reads, and one byte per read, give the same bytes.
        const ReceiveFilter::Mode mode = ReceiveFilter::Unpack(ReceiveFilter::Pack(c.mode));
        ASSERT_EQ(mode, c.mode) << c.label;
        for (std::size_t split = 0; split <= c.in.size() + 1; ++split) {
            ReceiveFilter filter;
            filter.SetMode(mode);
            Bytes buffer = c.in;
            Bytes out;
            auto apply = [&](std::size_t from, std::size_t to) {
                const std::size_t kept = filter.Apply(buffer.data() + from, to - from);
                ASSERT_LE(kept, to - from);
                out.insert(out.end(), buffer.begin() + static_cast<std::ptrdiff_t>(from),
                           buffer.begin() + static_cast<std::ptrdiff_t>(from + kept));
            };
            if (split <= c.in.size()) {
                apply(0, split);
                apply(split, c.in.size());
            } else {
                for (std::size_t i = 0; i < c.in.size(); ++i)
                    apply(i, i + 1);
            }
            EXPECT_EQ(out, c.out) << c.label << ", split at " << split << ": " << Hex(out);
        }
    }
}

} // namespace
