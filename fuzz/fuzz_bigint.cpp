// TBigint parsing in every base: the first byte picks the base (2..36), the rest
// is the text. A text that parses must print back (ToString) to a canonical
// text that parses to the same number, in its base and in base 16.
#include <cctype>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "common/Error.h"
#include "pubkey/BigInt.h"

using namespace zerath;
using namespace zerath::fuzz;

namespace {

// The canonical form of an accepted text: lower case, no leading zeros, no "-0".
std::string canonical(std::string_view t)
{
    bool neg = false;
    if (!t.empty() && t[0] == '-') {
        neg = true;
        t.remove_prefix(1);
    }
    while (t.size() > 1 && t[0] == '0') t.remove_prefix(1);
    std::string s;
    for (char c : t) s.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (s.empty() || s == "0") return "0";
    return neg ? "-" + s : s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 4096) return 0;
    const int base = 2 + data[0] % 35;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    TBigint x;
    try {
        x = TBigint::CreateFromString(text, base);
    } catch (const Error&) {
        return 0;
    }
    const std::string printed = x.ToString(base);
    expect(printed == canonical(text), "ToString gives the canonical text");
    expect(TBigint::CreateFromString(printed, base) == x, "round trip in the same base");
    expect(TBigint::CreateFromString(x.ToString(16), 16) == x, "round trip through base 16");
    expect(x.IsZero() == (printed == "0") && x.IsNegative() == (printed[0] == '-'), "sign and zero");
    return 0;
}
