#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/FileIO.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFile.h"
#include "TestHelpers.h"
#include "test_keyring_fixture.h"

using namespace zerath;
using namespace zerath::test;

namespace {

PassphrasePrompt answer(const std::string& text)
{
    return [text](SecureString& p) {
        p = SecureString(text);
        return true;
    };
}
const PassphrasePrompt cancelPassphrase = [](SecureString&) { return false; };
const ConfirmPrompt sayOk = [](const UserMessage&) { return true; };
const ConfirmPrompt sayCancel = [](const UserMessage&) { return false; };

SavePathPrompt saveTo(const std::string& path, std::string* proposed = nullptr)
{
    return [path, proposed](std::string& p) {
        if (proposed) *proposed = p;
        p = path;
        return true;
    };
}

// Runs f and gives the UserMessage it raised.
template <class F>
UserMessage messageOf(F&& f)
{
    try {
        f();
    } catch (const UserMessage& m) {
        return m;
    }
    ADD_FAILURE() << "no message";
    return UserMessage(UserMessage::PlainBox, "");
}

void expectMessage(const UserMessage& m, UserMessage::Kind kind, std::string_view text)
{
    EXPECT_EQ(m.kind(), kind);
    EXPECT_EQ(std::string(m.what()), text);
}

// A program folder with an empty key ring, as the main window leaves it.
struct Folder {
    TempDir dir;
    KeyManager km{dir.path()};
    Folder()
    {
        KeyRing main(dir.path());
        main.DBOpen(KeyRing::MissingFile::Create);
        main.Close();
        km.Open();
    }
    std::string ring() const { return readFile(dir.file("ZerathKeys.db")); }
    std::string importPair() { return km.ImportKey(testKeys().privateFile, answer(kTestPassphrase)).value(); }
    std::string importPublic() { return km.ImportKey(testKeys().publicFile, cancelPassphrase).value(); }
};

} // namespace

TEST(KeyManager, EmptyKeyRingView)
{
    Folder f;
    const KeyManagerView v = f.km.View();
    EXPECT_EQ(v.countText, "No keys");
    EXPECT_EQ(v.fingerprint, "");
    EXPECT_FALSE(v.privateExportEnabled || v.changePassphraseEnabled || v.publicExportEnabled || v.removeEnabled ||
                 v.keyInfoEnabled);
    EXPECT_FALSE(f.km.RemoveCurrentKey(sayOk));
    expectMessage(messageOf([&] { f.km.ExportPublicKey(saveTo(f.dir.file("x.akf"))); }), UserMessage::WarningBox,
                  "Error Exporting Public Key.");
}

TEST(KeyManager, AKeyPairAndItsPublicKeyCoexist)
{
    Folder f;
    const std::string pairId = f.importPair();
    const std::string pubId = f.importPublic();
    EXPECT_EQ(pairId, clearPairRecord().KeyID);
    EXPECT_EQ(pubId, clearPublicRecord().KeyID);
    EXPECT_NE(pairId, pubId);

    const auto keys = f.km.ListKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].Type, "Pub/Priv");
    EXPECT_EQ(keys[1].Type, "Pub");
    EXPECT_NE(keys[0].FP, keys[1].FP);
    EXPECT_EQ(keys[0].UserID, testKeys().owner);

    // The imported record is current; the view follows it.
    KeyManagerView v = f.km.View();
    EXPECT_EQ(v.fingerprint, clearPublicRecord().FP);
    EXPECT_EQ(v.countText, "2");
    EXPECT_TRUE(v.publicExportEnabled && v.removeEnabled && v.keyInfoEnabled);
    EXPECT_FALSE(v.privateExportEnabled || v.changePassphraseEnabled);
    ASSERT_TRUE(f.km.Ring().SearchDB("KeyID", pairId));
    v = f.km.View();
    EXPECT_TRUE(v.privateExportEnabled && v.changePassphraseEnabled);

    // Imports are written at once, in stored form.
    const std::string file = f.ring();
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2);
    EXPECT_EQ(file.find(clearPairRecord().ModulusN), std::string::npos);
    EXPECT_EQ(modeOf(f.dir.file("ZerathKeys.db")), 0600u);
    EXPECT_TRUE(VerifyStoredKeyRecord(f.km.Ring().CurrentRecord()));
}

TEST(KeyManager, DuplicateImportWarnsAndKeepsOneRecord)
{
    Folder f;
    const std::string id = f.importPublic();
    const std::string before = f.ring();
    expectMessage(messageOf([&] { f.importPublic(); }), UserMessage::WarningBox,
                  "The Key with ID: " + id + " already exists.\n To add this key, remove the previous key.");
    EXPECT_EQ(f.ring(), before);
    EXPECT_EQ(f.km.Ring().RecordCount(), 1);
    EXPECT_EQ(f.km.Ring().FieldAsString("KeyID"), id);
}

TEST(KeyManager, ImportFailuresLeaveTheKeyRingUnchanged)
{
    Folder f;
    f.importPublic();
    const std::string before = f.ring();
    const std::string importError = "Uncorrect passphrase, Error Importing key file, operation aborted";

    expectMessage(messageOf([&] { f.km.ImportKey(testKeys().privateFile, answer("wrong passphrase")); }),
                  UserMessage::ErrorBox, importError);
    // A public key file written under another passphrase than the fixed one.
    expectMessage(messageOf([&] { f.km.ImportKey(testKeys().otherPublicFile, cancelPassphrase); }),
                  UserMessage::ErrorBox, importError);
    writeFile(f.dir.file("text.akf"), "hello\r\n");
    expectMessage(messageOf([&] { f.km.ImportKey(f.dir.file("text.akf"), cancelPassphrase); }),
                  UserMessage::ErrorBox, "Unknown key file, operation aborted");
    writeFile(f.dir.file("empty.akf"), "");
    expectMessage(messageOf([&] { f.km.ImportKey(f.dir.file("empty.akf"), cancelPassphrase); }),
                  UserMessage::ErrorBox, "Unknown key file, operation aborted");
    // A damaged body behind a good marker.
    writeFile(f.dir.file("damaged.akf"), std::string(kPublicKeyBeginMarker) + "\r\nAAAA\r\n");
    expectMessage(messageOf([&] { f.km.ImportKey(f.dir.file("damaged.akf"), cancelPassphrase); }),
                  UserMessage::ErrorBox, importError);
    // Cancelling the passphrase question stops quietly.
    EXPECT_FALSE(f.km.ImportKey(testKeys().privateFile, cancelPassphrase).has_value());
    EXPECT_EQ(f.ring(), before);
}

TEST(KeyManager, OwnerNamesTheKeyRingCannotHoldAreRefusedAtImport)
{
    Folder f;
    const std::string before = f.ring();
    TPrivateKey pair;
    pair.GenerateKeys(512);
    auto pub = pair.GetPublicKey();
    pub->Passphrase = SecureString(FixedProtectionPassphrase());

    pub->KeyOwner = "Eve|Mallory";
    pub->SaveToFile(f.dir.file("bar.akf"));
    expectMessage(messageOf([&] { f.km.ImportKey(f.dir.file("bar.akf"), cancelPassphrase); }), UserMessage::ErrorBox,
                  "The Key Owner cannot contain the character |.");

    pub->KeyOwner = std::string(74, 'o');
    pub->SaveToFile(f.dir.file("long.akf"));
    expectMessage(messageOf([&] { f.km.ImportKey(f.dir.file("long.akf"), cancelPassphrase); }),
                  UserMessage::ErrorBox, "The Key Owner cannot be longer than 73 characters.");
    EXPECT_EQ(f.ring(), before);
    EXPECT_EQ(f.km.Ring().RecordCount(), 0);

    pub->KeyOwner = std::string(73, 'o');
    pub->SaveToFile(f.dir.file("max.akf"));
    ASSERT_TRUE(f.km.ImportKey(f.dir.file("max.akf"), cancelPassphrase).has_value());
    EXPECT_TRUE(f.km.ExportPublicKey(saveTo(f.dir.file("max-out.akf"))));
}

TEST(KeyManager, PublicExportRoundTripAndProposedName)
{
    Folder f;
    const std::string id = f.importPublic();
    std::string proposed;
    ASSERT_TRUE(f.km.ExportPublicKey(saveTo(f.dir.file("out.akf"), &proposed)));
    EXPECT_EQ(proposed, f.dir.path() + "Public" + id + ".akf");
    EXPECT_EQ(f.km.ProposedPrivateFileName(), f.dir.path() + "Private" + id + ".akf");

    TPublicKey back;
    back.Passphrase = SecureString(FixedProtectionPassphrase());
    back.LoadFromFile(f.dir.file("out.akf"));
    EXPECT_EQ(back.KeyCreationTime, ""); // the key ring keeps no creation time
    EXPECT_EQ(back.KeyCreationDate, clearPublicRecord().Date);
    EXPECT_EQ(back.KeyOwner, testKeys().owner);
    EXPECT_EQ(back.Modulus.value().ToString(16), clearPublicRecord().ModulusN);
    EXPECT_EQ(back.Exponent.value().ToString(16), clearPublicRecord().ExponentE);
    EXPECT_NE(back.KeyID, id);

    // The exported file is a new key for the key ring; cancelling the save writes nothing.
    EXPECT_TRUE(f.km.ImportKey(f.dir.file("out.akf"), cancelPassphrase).has_value());
    EXPECT_EQ(f.km.Ring().RecordCount(), 2);
    EXPECT_FALSE(f.km.ExportPublicKey([](std::string&) { return false; }));

    // The public key of a key pair exports as well.
    const std::string pairId = f.importPair();
    ASSERT_TRUE(f.km.ExportPublicKey(saveTo(f.dir.file("pairpub.akf"))));
    EXPECT_EQ(KeyType(f.dir.file("pairpub.akf")), "Pub");
    (void)pairId;
}

TEST(KeyManager, AlteredOrDamagedRecordsAreNotExported)
{
    Folder f;
    const std::string pubId = f.importPublic();
    const std::string pairId = f.importPair();
    f.km.Close();

    // Alter the user ID of the public key's line in the file.
    std::string file = f.ring();
    const std::string owner = "|" + testKeys().owner + "|";
    const auto at = file.find(owner);
    ASSERT_NE(at, std::string::npos);
    file.replace(at, owner.size(), "|Mallory|");
    writeFile(f.dir.file("ZerathKeys.db"), file);
    f.km.Open();
    ASSERT_TRUE(f.km.Ring().SearchDB("KeyID", pubId));
    expectMessage(messageOf([&] { f.km.ExportPublicKey(saveTo(f.dir.file("p.akf"))); }), UserMessage::ErrorBox,
                  "Public Key corrupted and cannot be exported.\rDelete and reload it from original key file");
    EXPECT_FALSE(fileExists(f.dir.file("p.akf")));

    // A user ID longer than its field reads back cut, so the check fails too.
    KeyRecord clear = clearPairRecord();
    clear.UserID = std::string(80, 'u');
    clear.KeyID = "LONGUSER";
    clear.KeyCRC32 = KeyRecordCRC(clear.Type, clear.ModulusN, clear.ExponentE, clear.UserID, clear.FP, clear.KeyID,
                                  clear.Date);
    f.km.Ring().InsertNewRecord(ProtectKeyRecord(clear, kTestPassphrase));
    EXPECT_NE(f.ring().find(std::string(80, 'u')), std::string::npos);
    expectMessage(messageOf([&] {
                      f.km.ExportPrivateKey(sayOk, answer(kTestPassphrase), saveTo(f.dir.file("q.akf")));
                  }),
                  UserMessage::ErrorBox,
                  "Private Key corrupted and cannot be exported.\rDelete and reload it from original key file");

    // Public numbers that do not decipher to numbers.
    KeyRecord broken = storedPairRecord();
    broken.KeyID = "BROKEN01";
    broken.ModulusN = ProtectField("not hex!", FixedProtectionPassphrase());
    f.km.Ring().InsertNewRecord(broken);
    expectMessage(messageOf([&] {
                      f.km.ExportPrivateKey(sayOk, answer(kTestPassphrase), saveTo(f.dir.file("r.akf")));
                  }),
                  UserMessage::WarningBox, "Private Key does not mutch?");
    expectMessage(messageOf([&] { f.km.ExportPublicKey(saveTo(f.dir.file("s.akf"))); }), UserMessage::WarningBox,
                  "Error Exporting Public Key.");
    (void)pairId;
}

TEST(KeyManager, PrivateExportChecksThePassphraseAndWritesAnOwnerOnlyFile)
{
    Folder f;
    const std::string id = f.importPair();
    const std::string out = f.dir.file("priv.akf");

    std::string shown;
    EXPECT_FALSE(f.km.ExportPrivateKey(
        [&](const UserMessage& q) {
            shown = q.what();
            EXPECT_EQ(q.kind(), UserMessage::WarningBox);
            return false;
        },
        answer(kTestPassphrase), saveTo(out)));
    EXPECT_EQ(shown, "You are about to export private key,\rnever send private keys over internet.\r"
                     "Copy them to a secure media and Keep them in a safe place");
    EXPECT_FALSE(f.km.ExportPrivateKey(sayOk, cancelPassphrase, saveTo(out)));
    expectMessage(messageOf([&] { f.km.ExportPrivateKey(sayOk, answer("wrong"), saveTo(out)); }),
                  UserMessage::ErrorBox, "Uncorrect Private Key passphrase?");
    EXPECT_FALSE(fileExists(out));

    std::string proposed;
    ASSERT_TRUE(f.km.ExportPrivateKey(sayOk, answer(kTestPassphrase), saveTo(out, &proposed)));
    EXPECT_EQ(proposed, f.dir.path() + "Private" + id + ".akf");
    EXPECT_EQ(modeOf(out), 0600u);
    TPrivateKey back;
    back.Passphrase = SecureString(std::string(kTestPassphrase));
    back.LoadFromFile(out);
    EXPECT_EQ(back.KeyCreationTime, "");
    EXPECT_EQ(back.KeyOwner, testKeys().owner);
    EXPECT_EQ(back.ExponentD.value().ToString(16), clearPairRecord().ExponentD.view());
    EXPECT_EQ(back.Modulus.value().ToString(16), clearPairRecord().ModulusN);
}

TEST(KeyManager, PassphraseChangeChecksInOrderAndKeepsTheRecordCheckValid)
{
    Folder f;
    const std::string id = f.importPair();
    const std::string before = f.ring();
    const std::string good = "new passphrase";

    // A wrong current passphrase is reported before the new ones are compared.
    expectMessage(messageOf([&] { f.km.ChangePassphrase("wrong", "a", "b"); }), UserMessage::ErrorBox,
                  "Uncorrect passphrase, operation aboted");
    expectMessage(messageOf([&] { f.km.ChangePassphrase(kTestPassphrase, good, good + " "); }),
                  UserMessage::ErrorBox, "The new passphrase does not match the confirmed passphrase");
    expectMessage(messageOf([&] { f.km.ChangePassphrase(kTestPassphrase, "1234567", "1234567"); }),
                  UserMessage::ErrorBox, "The new passphrase length must have 8 characters minimum! ");
    EXPECT_TRUE(f.km.CheckPrivatePassphrase(kTestPassphrase));

    const UserMessage done = f.km.ChangePassphrase(kTestPassphrase, "12345678", "12345678");
    expectMessage(done, UserMessage::InformationBox, "Passphrase was changed succussfully ");
    EXPECT_EQ(f.ring(), before); // written when the key manager closes its table
    EXPECT_TRUE(f.km.CheckPrivatePassphrase("12345678"));
    EXPECT_FALSE(f.km.CheckPrivatePassphrase(kTestPassphrase));
    f.km.Close();
    EXPECT_NE(f.ring(), before);

    // The main window's view of the key ring after the change.
    KeyRing main(f.dir.path());
    main.DBOpen();
    ASSERT_TRUE(main.SearchDB("KeyID", id));
    const KeyRecord r = main.CurrentRecord();
    EXPECT_TRUE(VerifyStoredKeyRecord(r));
    EXPECT_FALSE(zerath::CheckPrivatePassphrase(r, kTestPassphrase));
    EXPECT_TRUE(zerath::CheckPrivatePassphrase(r, "12345678"));
    main.Close();

    f.km.Open();
    ASSERT_TRUE(f.km.Ring().SearchDB("KeyID", id));
    expectMessage(messageOf([&] {
                      f.km.ExportPrivateKey(sayOk, answer(kTestPassphrase), saveTo(f.dir.file("o.akf")));
                  }),
                  UserMessage::ErrorBox, "Uncorrect Private Key passphrase?");
    EXPECT_TRUE(f.km.ExportPrivateKey(sayOk, answer("12345678"), saveTo(f.dir.file("n.akf"))));
    EXPECT_TRUE(f.km.ExportPublicKey(saveTo(f.dir.file("pub.akf"))));

    // A public key has no private exponent to re-protect.
    f.importPublic();
    expectMessage(messageOf([&] { f.km.ChangePassphrase("", "12345678", "12345678"); }), UserMessage::ErrorBox,
                  "Uncorrect passphrase, operation aboted");
}

TEST(KeyManager, RemovalIsWrittenAtCloseOrAtTheNextImport)
{
    Folder f;
    const std::string pubId = f.importPublic();
    const std::string pairId = f.importPair();
    const std::string pairLine = f.ring().substr(f.ring().find("Pub/Priv"));

    ASSERT_TRUE(f.km.Ring().SearchDB("KeyID", pubId));
    std::string question;
    EXPECT_FALSE(f.km.RemoveCurrentKey([&](const UserMessage& q) {
        question = q.what();
        return false;
    }));
    EXPECT_EQ(question, "Delete current key?");
    EXPECT_EQ(f.km.Ring().RecordCount(), 2);

    EXPECT_TRUE(f.km.RemoveCurrentKey(sayOk));
    EXPECT_EQ(f.km.Ring().RecordCount(), 1);
    const std::string otherId = f.km.ImportKey(makePublicKeyFile(f.dir.file("other.akf"), "Carol"), cancelPassphrase).value();
    const auto keys = f.km.ListKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].KeyID, pairId);
    EXPECT_EQ(keys[1].KeyID, otherId);
    std::string file = f.ring();
    EXPECT_EQ(file.find(pubId), std::string::npos);
    EXPECT_EQ(file.find(pairLine), 0u);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2);
    f.km.Close();
    EXPECT_EQ(f.ring(), file);

    f.km.Open();
    ASSERT_TRUE(f.km.Ring().SearchDB("KeyID", otherId));
    EXPECT_TRUE(f.km.RemoveCurrentKey(sayOk));
    f.km.Close();
    EXPECT_EQ(f.ring(), pairLine);
}

TEST(KeyManager, KeyInformationLinesCopyAndSave)
{
    Folder f;
    const std::string id = f.importPublic();
    const KeyRecord& c = clearPublicRecord();
    const std::vector<std::string> lines = f.km.KeyInformationLines();
    const std::vector<std::string> expected = {
        "Type: Pub", "Username: " + c.UserID, "key ID: " + id, "Length: " + c.KeyLength,
        "Creation Date: " + c.Date, "", "Fingerprint:", "", c.FP.substr(0, 20), c.FP.substr(20, 20)};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(f.km.KeyInformationPicture(), 0);
    EXPECT_EQ(JoinKeyInformation({"a", "", "b"}), "a\r\n\r\nb");

    const std::string path = f.dir.file("info.txt");
    writeFile(path, std::string(4000, 'x'));
    SaveKeyInformation(path, lines);
    std::string want;
    for (const auto& l : expected) want += l + "\r\n";
    EXPECT_EQ(readFile(path), want);

    KeyRecord shortFp;
    shortFp.Type = "Pub/Priv";
    shortFp.FP = "0123456789ABCDEFGHIJKLMNO";
    const auto s = KeyInformationLines(shortFp);
    EXPECT_EQ(s[8], "0123456789ABCDEFGHIJ");
    EXPECT_EQ(s[9], "KLMNO");
    shortFp.FP = "0123";
    EXPECT_EQ(KeyInformationLines(shortFp)[9], "");

    f.importPair();
    EXPECT_EQ(f.km.KeyInformationPicture(), 1);
}

TEST(KeyManager, FingerprintComparison)
{
    const std::string fp = "0123456789ABCDEF0123456789ABCDEF01234567";
    expectMessage(CompareFingerprints(fp, " \t" + fp + "\r\n "), UserMessage::InformationBox,
                  "The two fingerprints are the same");
    std::string lower = fp;
    lower[10] = 'a';
    expectMessage(CompareFingerprints(fp, lower), UserMessage::WarningBox, "The two fingerprints are different");
    expectMessage(CompareFingerprints(fp, fp.substr(1)), UserMessage::WarningBox,
                  "The two fingerprints are different");
    expectMessage(CompareFingerprints("", "  "), UserMessage::InformationBox, "The two fingerprints are the same");
}

TEST(KeyManager, KeyRingMissingWhenTheKeyManagerOpens)
{
    TempDir d;
    KeyManager km(d.path());
    km.Open();
    EXPECT_FALSE(km.Ring().Active());
    EXPECT_EQ(km.View().countText, "No keys");
    EXPECT_TRUE(km.ListKeys().empty());
    expectMessage(messageOf([&] { km.ImportKey(testKeys().publicFile, cancelPassphrase); }), UserMessage::PlainBox,
                  "Cannot add new key to database");
    EXPECT_FALSE(fileExists(d.file("ZerathKeys.db")));
}
