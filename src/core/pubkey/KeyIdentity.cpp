#include "pubkey/KeyIdentity.h"

#include "pubkey/KeyFile.h"

namespace zerath {

std::string TKeyIdentity::CalcFingerPrint(std::string_view text) { return zerath::CalcFingerPrint(text); }

std::string TKeyIdentity::CalcKeyID(std::string_view fingerPrint)
{
    KeyID = zerath::CalcKeyID(fingerPrint);
    return KeyID;
}

bool TKeyIdentity::CheckKeyCRC(SecureString& text) { return zerath::CheckKeyCRC(text); }

void TKeyIdentity::WrapKeyLines(std::vector<std::string>& lines) { zerath::WrapKeyLines(lines); }

} // namespace zerath
