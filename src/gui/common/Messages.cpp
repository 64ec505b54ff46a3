#include "common/Messages.h"

#include "common/SecretText.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <deque>
#include <optional>

namespace {

const QString kTitle = QStringLiteral("Zerath");

struct Script {
    bool scripted = false;
    std::function<void(const QString&)> unanswered;
    std::deque<Messages::Answer> answers;
    std::deque<std::optional<QString>> texts; // nullopt = cancelled
    std::deque<QStringList> fileNames;
    std::deque<int> choices;
    QString startFolder;
    QList<Messages::Shown> shown;
    QList<Messages::Asked> asked;
};

Script& script()
{
    static Script s;
    return s;
}

void unanswered(const QString& what)
{
    if (script().unanswered)
        script().unanswered(what);
}

QWidget* defaultParent()
{
    QWidget* w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    return w;
}

} // namespace

QString Messages::displayText(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QString Messages::qtFilter(const QString& filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!name.contains(QLatin1Char('(')))
            name += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out << name;
    }
    if (parts.size() % 2 == 1 && !parts.last().isEmpty())
        out << parts.last();
    return out.join(QStringLiteral(";;"));
}

Messages::Answer Messages::show(Kind kind, const QString& text, Buttons buttons)
{
    return show(nullptr, kind, text, buttons);
}

Messages::Answer Messages::show(QWidget* parent, Kind kind, const QString& text, Buttons buttons)
{
    Script& s = script();
    s.shown.append(Shown{kind, text, buttons});
    if (s.scripted) {
        if (s.answers.empty()) {
            unanswered(QStringLiteral("message box without a queued answer: ") + text);
            return Answer::Cancel;
        }
        const Answer a = s.answers.front();
        s.answers.pop_front();
        return a;
    }
    QMessageBox box(parent ? parent : defaultParent());
    box.setWindowTitle(kTitle);
    box.setText(displayText(text));
    switch (kind) {
    case Kind::Error: box.setIcon(QMessageBox::Critical); break;
    case Kind::Warning: box.setIcon(QMessageBox::Warning); break;
    case Kind::Information: box.setIcon(QMessageBox::Information); break;
    case Kind::Confirmation: box.setIcon(QMessageBox::Question); break;
    case Kind::Plain: box.setIcon(QMessageBox::NoIcon); break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case Buttons::Ok: set = QMessageBox::Ok; break;
    case Buttons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case Buttons::YesNoAll:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll;
        break;
    }
    box.setStandardButtons(set);
    const int r = box.exec();
    switch (r) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::YesToAll: return Answer::YesToAll;
    case QMessageBox::NoToAll: return Answer::NoToAll;
    default: return buttons == Buttons::YesNo || buttons == Buttons::YesNoAll ? Answer::No : buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

bool Messages::askText(const QString& title, const QString& prompt, bool masked, QString* out,
                       const QString& initial)
{
    Script& s = script();
    s.asked.append(Asked{Asked::What::Text, title, prompt, masked ? QString() : initial});
    if (s.scripted) {
        if (s.texts.empty()) {
            unanswered(QStringLiteral("text prompt without a queued answer: ") + prompt);
            return false;
        }
        std::optional<QString> t = std::move(s.texts.front());
        s.texts.pop_front();
        if (!t)
            return false;
        if (out)
            *out = *t;
        wipe(*t);
        return true;
    }
    QDialog dlg(defaultParent());
    dlg.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(prompt, &dlg);
    auto* edit = new QLineEdit(&dlg);
    if (masked) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    }
    edit->setText(initial);
    edit->setMinimumWidth(280);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(box);
    const bool ok = dlg.exec() == QDialog::Accepted;
    if (ok && out)
        *out = edit->text();
    // Leave no copy of a passphrase in the entry's buffer.
    edit->setText(QString(edit->text().size(), QLatin1Char(' ')));
    edit->clear();
    return ok;
}

static QStringList fileDialog(QFileDialog::FileMode mode, const QString& title, const QString& filter,
                              const QString& defaultSuffix, const QString& proposedName)
{
    Script& s = script();
    const bool save = mode == QFileDialog::AnyFile;
    s.asked.append(Messages::Asked{save ? Messages::Asked::What::SaveFile : Messages::Asked::What::OpenFile, title,
                                   filter, proposedName});
    if (s.scripted) {
        if (s.fileNames.empty()) {
            unanswered(QStringLiteral("file dialog without a queued name: ") + title);
            return {};
        }
        QStringList names = s.fileNames.front();
        s.fileNames.pop_front();
        names.removeAll(QString());
        return names;
    }
    QFileDialog dlg(defaultParent(), title, s.startFolder);
    dlg.setNameFilter(QString());
    dlg.setNameFilters(Messages::qtFilter(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts));
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(mode);
    if (!defaultSuffix.isEmpty())
        dlg.setDefaultSuffix(defaultSuffix.startsWith(QLatin1Char('.')) ? defaultSuffix.mid(1) : defaultSuffix);
    if (!proposedName.isEmpty())
        dlg.selectFile(proposedName);
    // The save dialog confirms before replacing an existing file (its default).
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    s.startFolder = QFileInfo(dlg.selectedFiles().first()).absolutePath();
    return dlg.selectedFiles();
}

static QString firstOf(const QStringList& names)
{
    return names.isEmpty() ? QString() : names.first();
}

QString Messages::openFileName(const QString& title, const QString& filter, const QString& defaultSuffix,
                               const QString& proposedName)
{
    return firstOf(fileDialog(QFileDialog::ExistingFile, title, filter, defaultSuffix, proposedName));
}

QString Messages::saveFileName(const QString& title, const QString& filter, const QString& defaultSuffix,
                               const QString& proposedName)
{
    return firstOf(fileDialog(QFileDialog::AnyFile, title, filter, defaultSuffix, proposedName));
}

QString Messages::openFolder(const QString& title)
{
    return firstOf(fileDialog(QFileDialog::Directory, title, QString(), QString(), QString()));
}

QStringList Messages::openFileNames(const QString& title, const QString& filter)
{
    return fileDialog(QFileDialog::ExistingFiles, title, filter, QString(), QString());
}

int Messages::chooseItem(const QString& title, const QString& prompt, const QStringList& items)
{
    Script& s = script();
    s.asked.append(Asked{Asked::What::Choice, title, prompt, items.join(QLatin1Char('\n'))});
    if (s.scripted) {
        if (s.choices.empty()) {
            unanswered(QStringLiteral("choice list without a queued answer: ") + prompt);
            return -1;
        }
        const int i = s.choices.front();
        s.choices.pop_front();
        return i;
    }
    QDialog dlg(defaultParent());
    dlg.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dlg);
    auto* list = new QListWidget(&dlg);
    list->addItems(items);
    list->setCurrentRow(0);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dlg, &QDialog::accept);
    layout->addWidget(new QLabel(prompt, &dlg));
    layout->addWidget(list);
    layout->addWidget(box);
    return dlg.exec() == QDialog::Accepted ? list->currentRow() : -1;
}

void Messages::setStartFolder(const QString& folder) { script().startFolder = folder; }

void Messages::setScripted(bool on) { script().scripted = on; }
bool Messages::isScripted() { return script().scripted; }
void Messages::setUnansweredHandler(std::function<void(const QString&)> handler)
{
    script().unanswered = std::move(handler);
}
void Messages::setNextAnswer(Answer answer) { script().answers.push_back(answer); }
void Messages::setNextText(const QString& text) { script().texts.emplace_back(text); }
void Messages::setNextTextCancel() { script().texts.emplace_back(std::nullopt); }
void Messages::setNextFileName(const QString& name) { script().fileNames.push_back(QStringList{name}); }
void Messages::setNextFileNames(const QStringList& names) { script().fileNames.push_back(names); }
void Messages::setNextChoice(int index) { script().choices.push_back(index); }
const QList<Messages::Shown>& Messages::shown() { return script().shown; }
Messages::Shown Messages::lastShown()
{
    const auto& s = script().shown;
    return s.isEmpty() ? Shown{Kind::Plain, QString(), Buttons::Ok} : s.last();
}
const QList<Messages::Asked>& Messages::asked() { return script().asked; }
int Messages::pendingAnswers()
{
    const Script& s = script();
    return int(s.answers.size() + s.texts.size() + s.fileNames.size() + s.choices.size());
}
void Messages::reset()
{
    Script& s = script();
    s.answers.clear();
    for (auto& t : s.texts)
        if (t)
            wipe(*t);
    s.texts.clear();
    s.fileNames.clear();
    s.choices.clear();
    s.shown.clear();
    s.asked.clear();
}
