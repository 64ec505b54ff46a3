#pragma once
// The key manager and its dialogs as the program installs them, and the small
// helpers they share: showing a core outcome in a box, the busy cursor, the
// reading and wiping of passphrase entries, the look of labels on the pictures.
#include <QColor>
#include <QFont>
#include <QString>

#include <functional>

#include "common/BusyCursor.h"
#include "common/Error.h"
#include "common/GeneralErrorHandler.h"
#include "common/Messages.h"
#include "common/SecretText.h"
#include "keyring/KeyRecord.h"

class AppContext;
class QLabel;
class QLineEdit;
class QWidget;
class TKeyGenForm;

// Creates the key manager (with its generation, passphrase, key information and
// fingerprint dialogs) once, owned by `owner`, and points
// AppContext::showKeyManager at it. The hook is reset when the window goes.
TKeyGenForm* installKeyManager(AppContext& context, QWidget* owner);

namespace keywin {

// The filter of the key file dialogs.
inline constexpr char kKeyFileFilter[] = "Zerath Key File (*.akf)|*.akf|All Files (*)|*";

// The general error handler's pieces (common/GeneralErrorHandler.h).
using ::boxKind;
using ::showOutcome;

// The busy cursor and the shared text helpers (common/BusyCursor.h,
// common/SecretText.h).
using ::BusyCursor;
using ::localPath;
using ::secureText;
using ::wipe;

// The general error handler (`guarded`); a busy cursor given is restored
// before the box appears. Returns true when the action ran to its end.
bool runGuarded(QWidget* parent, const std::function<void()>& action, BusyCursor* busy = nullptr);

// The entry's text as a secret (UTF-8); the temporary copies are wiped.
zerath::SecureString secureText(const QLineEdit* edit);
// Overwrites the entry's text with blanks, then empties it (as far as the
// toolkit lets a program reach the entry's buffer; its undo history goes too).
void wipeEdit(QLineEdit* edit);
// Masked entries show "*" for each character.
void setMasked(QLineEdit* edit, bool masked);

// The screenshot mode's program: a temporary program folder whose key ring
// holds a generated key pair and a correspondent's public key.
AppContext& screenshotContext();
// The first record of its key ring (the key pair), in stored form.
zerath::KeyRecord screenshotRecord();

// Light text on the dark pictures.
inline const QColor kLabelText{0xE6, 0xEE, 0xF5};
inline const QColor kHeadingText{0xF3, 0xD9, 0x8B};
void setTextColour(QWidget* widget, const QColor& colour);
QFont uiFont(int pixelSize = 12, bool bold = false);
// A caption label in the light colour.
void styleCaption(QLabel* label, bool bold = false);

} // namespace keywin
