#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace orvek {

// Appends the parts of a decoded line to a string, as the line's printf-style conversions
// would print them, independent of any locale. A field that the frame does not hold
// (std::nullopt) is written as kMissing in place of its value.
//
// Every frame writes a line of some fifty parts, so parts go straight into the string's own
// storage: the writer sizes the string ahead (its reserved capacity at least) and trims it to
// the text written when the writer is destroyed. Until then the string holds spare bytes past
// the text, so read it only after the writer is gone.
class LineWriter {
public:
    static constexpr std::string_view kMissing = "?";

    explicit LineWriter(std::string& line) : LineWriter(line, line.size()) {}

    // Writes from offset from (at most line.size()) on, over what the line held there: its old
    // bytes serve as room without being zeroed again.
    LineWriter(std::string& line, std::size_t from);
    ~LineWriter() { m_line.resize(static_cast<std::size_t>(m_end - m_line.data())); }

    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    LineWriter& Text(std::string_view text)
    {
        // Inline, so that a literal's length is known and the copy is a few moves.
        std::memcpy(Room(text.size()), text.data(), text.size());
        m_end += text.size();
        return *this;
    }

    LineWriter& Latin1(std::string_view text);  // converted to UTF-8

    LineWriter& Decimal(std::optional<std::int64_t> value)  // "%d"
    {
        if (!value) return Missing();
        // Most fields are single bytes; longer numbers take the general conversion.
        if (*value < 0 || *value >= 100) return LongDecimal(*value);
        return UpToTwoDigits(static_cast<unsigned>(*value));
    }

    LineWriter& TwoDigits(std::optional<std::uint8_t> value)  // "%02d"
    {
        if (!value) return Missing();
        if (*value >= 100) return LongDecimal(*value);
        return PairOfDigits(*value);
    }

    LineWriter& Grouped(std::optional<std::uint32_t> value);  // "1'048'576"
    LineWriter& Tenths(std::optional<std::uint8_t> value);    // "%.1f" of value / 10.0
    LineWriter& OneDecimal(std::optional<float> value);       // "%.1f"

    LineWriter& Sign(std::optional<std::uint8_t> signByte)  // "%c": 0 is '+', anything else '-'
    {
        if (!signByte) return Missing();
        *Room(1) = *signByte == 0 ? '+' : '-';
        ++m_end;
        return *this;
    }

private:
    // The rarer paths stay out of line, so that the common ones are small enough to inline.
    LineWriter& Missing();
    LineWriter& LongDecimal(std::int64_t value);

    LineWriter& UpToTwoDigits(unsigned value)
    {
        if (value >= 10) return PairOfDigits(value);
        *Room(1) = static_cast<char>('0' + value);
        ++m_end;
        return *this;
    }

    LineWriter& PairOfDigits(unsigned value)  // value < 100
    {
        char* out = Room(2);
        out[0] = static_cast<char>('0' + value / 10);
        out[1] = static_cast<char>('0' + value % 10);
        m_end += 2;
        return *this;
    }

    // Where the next count bytes go; the string grows when they would not fit.
    char* Room(std::size_t count)
    {
        if (count > static_cast<std::size_t>(m_limit - m_end)) Grow(count);
        return m_end;
    }

    void Grow(std::size_t count);

    std::string& m_line;
    char* m_end;    // end of the text written
    char* m_limit;  // end of the string's current size
};

}  // namespace orvek
