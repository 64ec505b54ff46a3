#pragma once
#include <QImage>
#include <QPixmap>

// The pictures live in a resource file compiled into the static GUI library;
// the program and the tests call this once, after the application object exists.
void initZerathResources();

// Resource paths of the program's pictures (made by scripts/make-pictures.sh).
namespace Pictures {
// Window backgrounds (JPEG), width x height.
inline constexpr char MainWindow[] = ":/pictures/main.jpg";           // 609 x 467
inline constexpr char Shredder[] = ":/pictures/shredder.jpg";         // 608 x 467
inline constexpr char Options[] = ":/pictures/options.jpg";           // 365 x 260
inline constexpr char KeyManager[] = ":/pictures/keymanager.jpg";     // 500 x 300
inline constexpr char KeyGeneration[] = ":/pictures/keygen.jpg";      // 365 x 260
inline constexpr char ChangePassphrase[] = ":/pictures/changepass.jpg"; // 365 x 260
inline constexpr char KeyInformation[] = ":/pictures/keyinfo.jpg";    // 365 x 260
inline constexpr char FingerprintCheck[] = ":/pictures/fpcheck.jpg";  // 365 x 150
inline constexpr char Progress[] = ":/pictures/progress.jpg";         // 366 x 150
inline constexpr char About[] = ":/pictures/about.jpg";               // 360 x 360, round
inline constexpr char Splash[] = ":/pictures/splash.jpg";             // 360 x 360, round

// Faces of the main window's image buttons (PNG, black = transparent colour).
// Command buttons are 150 x 32 with a glyph in the left 28 pixels; "_idle"
// faces are the dimmer ones shown while the pointer is elsewhere. The main
// window's picture has a title band of 40 pixels, a button column panel at
// (8, 50, 160 x 407) and a content panel at (174, 50, 427 x 407).
inline constexpr char BtnEncrypt[] = ":/pictures/btn_encrypt.png";
inline constexpr char BtnEncryptIdle[] = ":/pictures/btn_encrypt_idle.png";
inline constexpr char BtnDecrypt[] = ":/pictures/btn_decrypt.png";
inline constexpr char BtnDecryptIdle[] = ":/pictures/btn_decrypt_idle.png";
inline constexpr char BtnShredder[] = ":/pictures/btn_shredder.png";
inline constexpr char BtnShredderIdle[] = ":/pictures/btn_shredder_idle.png";
inline constexpr char BtnKeys[] = ":/pictures/btn_keys.png";
inline constexpr char BtnKeysIdle[] = ":/pictures/btn_keys_idle.png";
inline constexpr char BtnOptions[] = ":/pictures/btn_options.png";
inline constexpr char BtnOptionsIdle[] = ":/pictures/btn_options_idle.png";
inline constexpr char BtnAbout[] = ":/pictures/btn_about.png";
inline constexpr char BtnAboutIdle[] = ":/pictures/btn_about_idle.png";
inline constexpr char BtnExit[] = ":/pictures/btn_exit.png";
inline constexpr char BtnExitIdle[] = ":/pictures/btn_exit_idle.png";
// Small round top-right buttons, 20 x 20.
inline constexpr char BtnClose[] = ":/pictures/btn_close.png";
inline constexpr char BtnCloseIdle[] = ":/pictures/btn_close_idle.png";
inline constexpr char BtnMinimize[] = ":/pictures/btn_minimize.png";
inline constexpr char BtnMinimizeIdle[] = ":/pictures/btn_minimize_idle.png";

// Key icons: 16 x 16 on white (white = transparent colour) for grid cells,
// 110 x 138 opaque for the key information window.
inline constexpr char PubKeySmall[] = ":/pictures/key_pub_small.png";
inline constexpr char PrivKeySmall[] = ":/pictures/key_pair_small.png";
inline constexpr char PubKeyLarge[] = ":/pictures/key_pub_large.png";
inline constexpr char PrivKeyLarge[] = ":/pictures/key_pair_large.png";

// Small glyphs with alpha: fingerprint compare button (24 x 24), file list
// entries and folders (16 x 16).
inline constexpr char FingerprintCompare[] = ":/pictures/fp_compare.png";
inline constexpr char FileExecutable[] = ":/pictures/file_exe.png";
inline constexpr char FileOther[] = ":/pictures/file_other.png";
inline constexpr char FolderClosed[] = ":/pictures/folder_closed.png";
inline constexpr char FolderOpen[] = ":/pictures/folder_open.png";
inline constexpr char AppIcon[] = ":/pictures/app_icon.png"; // 64 x 64
} // namespace Pictures

QImage loadImage(const char* path);   // null image when missing
QPixmap loadPixmap(const char* path);
