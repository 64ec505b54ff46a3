#include "KeyArgument.h"

#include <algorithm>
#include <vector>

#include "TerminalText.h"
#include "common/Error.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "pubkey/KeyFingerprint.h"

namespace zerath::cli {

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperText(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

std::string_view withoutHexPrefix(std::string_view s)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    return s;
}

bool acceptsOwnerPart(KeyArgumentUse use)
{
    return use != KeyArgumentUse::AnyKeyById && use != KeyArgumentUse::KeyPairById;
}

bool considered(const KeyRecord& r, KeyArgumentUse use)
{
    if (use == KeyArgumentUse::KeyPair || use == KeyArgumentUse::KeyPairById) return r.Type == kKeyTypePair;
    return true;
}

struct Candidate {
    const KeyRecord* record;
    std::string keyFingerprint;
};

using Rule = bool (*)(const Candidate&, std::string_view text);

bool byKeyId(const Candidate& c, std::string_view text)
{
    return !text.empty() && upperText(withoutHexPrefix(text)) == upperText(c.record->KeyID);
}

bool byFingerprint(const Candidate& c, std::string_view text)
{
    const std::string typed = CompactFingerprint(text);
    return !typed.empty() && (typed == c.keyFingerprint || typed == CompactFingerprint(c.record->FP));
}

bool byOwnerPart(const Candidate& c, std::string_view text)
{
    return !text.empty() && upperText(c.record->UserID).find(upperText(text)) != std::string::npos;
}

[[noreturn]] void refuse(std::string text)
{
    throw UserMessage(UserMessage::ErrorBox, text);
}

} // namespace

KeyRecord resolveKeyArgument(const KeyRing& ring, std::string_view text, KeyArgumentUse use)
{
    std::vector<Candidate> all;
    if (ring.Active())
        for (const KeyRecord& r : ring.Rows())
            if (considered(r, use)) all.push_back({&r, RecordKeyFingerprint(r)});

    std::vector<Rule> rules{byKeyId, byFingerprint};
    if (acceptsOwnerPart(use)) rules.push_back(byOwnerPart);
    for (const Rule rule : rules) {
        std::vector<const Candidate*> found;
        for (const Candidate& c : all)
            if (rule(c, text)) found.push_back(&c);
        if (found.empty()) continue;
        // To encrypt, a pair and its own public record are one key.
        const bool oneKey = std::all_of(found.begin(), found.end(), [&](const Candidate* c) {
            return use == KeyArgumentUse::Recipient && !c->keyFingerprint.empty() &&
                   c->keyFingerprint == found.front()->keyFingerprint;
        });
        if (found.size() == 1 || oneKey) return *found.front()->record;
        std::string list = "More than one key in the key ring matches '" + escapeControls(text) + "':";
        for (const Candidate* c : found) list += "\n" + c->record->KeyID + " " + escapeControls(c->record->UserID);
        refuse(list);
    }
    refuse("No key in the key ring matches '" + escapeControls(text) + "'.");
}

} // namespace zerath::cli
