#include "fuzz/Require.h"
#include "protocol/Envelope.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>

using orvek::fuzz::Require;

namespace {

bool IsValidCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
           c == '=';
}

struct Decoded {
    std::size_t count;
    std::unique_ptr<std::uint8_t[]> bytes;
};

// The buffer is exactly DecodedCapacity bytes on the heap, so ASan sees any write past it.
Decoded Decode(std::string_view text)
{
    const std::size_t capacity = orvek::DecodedCapacity(text);
    Decoded decoded{0, std::make_unique<std::uint8_t[]>(capacity)};
    decoded.count = orvek::DecodeEnvelope(text, {decoded.bytes.get(), capacity});
    Require(decoded.count <= capacity, "no more than three bytes per four valid characters");
    return decoded;
}

bool SameBytes(const Decoded& a, const Decoded& b)
{
    return a.count == b.count && std::equal(a.bytes.get(), a.bytes.get() + a.count, b.bytes.get());
}

void CheckDecoding(std::string_view text)
{
    std::string validOnly;
    std::copy_if(text.begin(), text.end(), std::back_inserter(validOnly), IsValidCharacter);
    Require(orvek::DecodedCapacity(text) == validOnly.size() / 4 * 3, "capacity of three bytes per four characters");

    const Decoded decoded = Decode(text);
    if (validOnly.empty() || validOnly.size() % 4 != 0) {
        Require(decoded.count == 0, "nothing from a count of valid characters that is no multiple of 4");
    }
    // Characters outside the alphabet are skipped wherever they stand.
    Require(SameBytes(decoded, Decode(validOnly)), "skipped characters do not change the result");
}

void CheckRoundTrip(std::span<const std::uint8_t> frame)
{
    const std::string text = orvek::EncodeEnvelope(frame);
    Require(text.size() == 4 * ((frame.size() + 2) / 3) + 2, "envelope length 4 * ceil(n / 3) + 2");
    Require(text.front() == '{' && text.back() == '}', "envelope between braces");
    Require(std::all_of(text.begin() + 1, text.end() - 1, IsValidCharacter), "envelope holds base64 only");
    const Decoded decoded = Decode(text);
    Require(decoded.count == frame.size(), "round trip keeps the length");
    Require(std::equal(frame.begin(), frame.end(), decoded.bytes.get()), "round trip keeps the bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckDecoding({reinterpret_cast<const char*>(data), size});
    CheckRoundTrip({data, size});
    return 0;
}
