// Base64 decoding of any text. A text that decodes must be made of whole groups
// whose decoded length follows the padding; a text of whole groups without
// padding must encode back to itself. Encoding any bytes decodes back to them.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "symcrypto/Base64.h"

using namespace zerath;
using namespace zerath::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 256 * 1024) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const std::vector<std::uint8_t> bytes = Base64Decode(text);
        expect(bytes.size() <= (size / 4) * 3, "at most three bytes per whole group");
        const bool plain = size % 4 == 0 && text.find('=') == std::string_view::npos;
        if (plain) expect(Base64Encode(bytes.data(), bytes.size()) == text, "a canonical text encodes back");
    } catch (const EBase64&) {
    }

    const std::string encoded = Base64Encode(data, size);
    expect(encoded.size() == Base64EncodedLength(size), "encoded length");
    const std::vector<std::uint8_t> back = Base64Decode(encoded);
    expect(back.size() == size && std::equal(back.begin(), back.end(), data), "decode(encode(x)) == x");
    return 0;
}
