#include <gtest/gtest.h>

#include "common/Messages.h"

namespace {

// Scripted mode is on for every GUI test (see GuiTestMain); each case starts clean.
class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override { Messages::reset(); }
    void TearDown() override
    {
        EXPECT_EQ(Messages::pendingAnswers(), 0);
        Messages::reset();
    }
};

} // namespace

TEST_F(MessagesTest, QueuedAnswersAreGivenInOrderAndTextsRecorded)
{
    ASSERT_TRUE(Messages::isScripted());
    Messages::setNextAnswer(Messages::Answer::Cancel);
    Messages::setNextAnswer(Messages::Answer::Yes);
    EXPECT_EQ(Messages::show(Messages::Kind::Warning, QStringLiteral("Close?"), Messages::Buttons::OkCancel),
              Messages::Answer::Cancel);
    EXPECT_EQ(Messages::show(Messages::Kind::Confirmation, QStringLiteral("Delete key?"), Messages::Buttons::YesNo),
              Messages::Answer::Yes);
    ASSERT_EQ(Messages::shown().size(), 2);
    EXPECT_EQ(Messages::shown()[0].kind, Messages::Kind::Warning);
    EXPECT_EQ(Messages::shown()[0].text, QStringLiteral("Close?"));
    EXPECT_EQ(Messages::shown()[0].buttons, Messages::Buttons::OkCancel);
    EXPECT_EQ(Messages::lastShown().text, QStringLiteral("Delete key?"));
    EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Confirmation);
}

TEST_F(MessagesTest, TextPromptsAndFileDialogs)
{
    Messages::setNextText(QStringLiteral("correct horse"));
    Messages::setNextTextCancel();
    QString out;
    EXPECT_TRUE(Messages::askText(QStringLiteral("Passphrase"), QStringLiteral("Enter passphrase"), true, &out));
    EXPECT_EQ(out, QStringLiteral("correct horse"));
    out = QStringLiteral("unchanged");
    EXPECT_FALSE(Messages::askText(QStringLiteral("Passphrase"), QStringLiteral("Enter passphrase"), true, &out));
    EXPECT_EQ(out, QStringLiteral("unchanged"));
    ASSERT_EQ(Messages::asked().size(), 2);
    EXPECT_EQ(Messages::asked()[0].what, Messages::Asked::What::Text);
    EXPECT_EQ(Messages::asked()[0].prompt, QStringLiteral("Enter passphrase"));

    Messages::setNextFileName(QStringLiteral("/tmp/a.txt"));
    Messages::setNextFileName(QString());
    EXPECT_EQ(Messages::openFileName(QStringLiteral("Select File to Encrypt"), QStringLiteral("All Files (*.*)|*.*")),
              QStringLiteral("/tmp/a.txt"));
    EXPECT_TRUE(Messages::saveFileName(QStringLiteral("Export"), QStringLiteral("Key files (*.akf)|*.akf"),
                                       QStringLiteral("akf"), QStringLiteral("alice.akf"))
                    .isEmpty());
    EXPECT_EQ(Messages::asked()[3].what, Messages::Asked::What::SaveFile);
    EXPECT_EQ(Messages::asked()[3].proposed, QStringLiteral("alice.akf"));
}

TEST_F(MessagesTest, ABoxWithoutAQueuedAnswerIsReported)
{
    QStringList reported;
    Messages::setUnansweredHandler([&](const QString& what) { reported << what; });
    EXPECT_EQ(Messages::show(Messages::Kind::Error, QStringLiteral("Encryption Error")), Messages::Answer::Cancel);
    QString out;
    EXPECT_FALSE(Messages::askText(QStringLiteral("t"), QStringLiteral("p"), false, &out));
    EXPECT_TRUE(Messages::openFileName(QStringLiteral("t"), QString()).isEmpty());
    Messages::setUnansweredHandler(
        [](const QString& what) { ADD_FAILURE() << "unexpected dialog: " << what.toStdString(); });
    ASSERT_EQ(reported.size(), 3);
    EXPECT_TRUE(reported[0].contains(QStringLiteral("Encryption Error")));
    EXPECT_EQ(Messages::lastShown().text, QStringLiteral("Encryption Error"));
}

TEST_F(MessagesTest, LineBreaksAndFilters)
{
    EXPECT_EQ(Messages::displayText(QStringLiteral("a\rb")), QStringLiteral("a\nb"));
    EXPECT_EQ(Messages::displayText(QStringLiteral("a\r\nb\nc")), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(Messages::qtFilter(QStringLiteral("All Files (*.*)|*.*")), QStringLiteral("All Files (*.*)"));
    EXPECT_EQ(Messages::qtFilter(QStringLiteral("Encrypted Files (*.enc)|*.enc|All Files (*.*)|*.*")),
              QStringLiteral("Encrypted Files (*.enc);;All Files (*.*)"));
    EXPECT_EQ(Messages::qtFilter(QStringLiteral("Key files|*.akf;*.key")), QStringLiteral("Key files (*.akf *.key)"));
    EXPECT_EQ(Messages::qtFilter(QStringLiteral("Text (*.txt)")), QStringLiteral("Text (*.txt)"));
}
