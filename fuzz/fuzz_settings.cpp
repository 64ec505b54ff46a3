// The settings reader: the input is zerath.ini. Reading never fails; the values
// read are then written back (SaveOptions, SaveStealthyCipher) and must read
// back as written, and the file's other lines must survive.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "common/Error.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

using namespace zerath;
using namespace zerath::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 64 * 1024) return 0;
    const std::string folder = freshFolder("settings");
    writeBytes(folder + Settings::kFileName, data, size);
    Settings s(folder);
    const bool stealthy = s.stealthyCipher();
    const int level = s.compressionLevel();
    const int count = s.shredCount();
    const int passes = Settings::ClampPassCount(count);
    expect(passes >= Settings::kMinPasses && passes <= Settings::kMaxPasses && passes % 2 == 0, "pass count range");

    // A key of another section keeps its value through both writes.
    const IniFile before(std::string(reinterpret_cast<const char*>(data), size));
    const auto other = before.value("Other", "key");

    s.SaveOptions(level ^ 1, count + (count < 1000 ? 1 : -1));
    expect(s.compressionLevel() == (level ^ 1), "level reads back");
    expect(s.shredCount() == count + (count < 1000 ? 1 : -1), "count reads back");
    expect(s.stealthyCipher() == stealthy, "the other section is kept");
    s.SaveStealthyCipher(!stealthy);
    expect(s.stealthyCipher() == !stealthy, "stealthy reads back");
    expect(s.compressionLevel() == (level ^ 1), "level kept");
    expect(IniFile(readBytes(folder + Settings::kFileName)).value("Other", "key") == other, "other keys are kept");
    expect(namesIn(folder).size() == 1, "no temporary left");
    return 0;
}
