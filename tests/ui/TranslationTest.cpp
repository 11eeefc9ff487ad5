// The window in another language: every caption it shows is catalogued for translation,
// the Chinese translation is chosen from the system language (the test runs under
// LANG=zh_CN.UTF-8) and replaces the captions, messages and the texts set later, and
// English can be forced.

#include "ui/Translation.h"
#include "tests/serial/PtyPair.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

class TranslationTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
    }
    void TearDown() override {
        InstallTranslation(QStringLiteral("en"));
        SetMessageSink(nullptr);
    }
    QStringList messages;
};

TEST_F(TranslationTest, EveryCaptionTheWindowShowsIsCatalogued) {
    InstallTranslation(QStringLiteral("en"));
    TForm1 form;
    const QStringList catalogued = CataloguedCaptions();
    QString missing;
    for (const QString& caption : WindowCaptions(form.centralWidget()))
        if (!catalogued.contains(caption))
            missing += QStringLiteral("    QT_TRANSLATE_NOOP(\"TForm1\", \"%1\"),\n")
                           .arg(QString(caption).replace('"', "\\\""));
    EXPECT_TRUE(missing.isEmpty()) << "not in ui/translations/Catalogue.cpp:\n"
                                   << missing.toStdString();
}

TEST_F(TranslationTest, SystemLanguageChoosesChineseAndEnglishCanBeForced) {
    ASSERT_EQ(InstallTranslation(QString()), "zh_CN");
    struct Row {
        const char* english;
        const char* chinese;
    };
    const Row rows[] = {
        {"communication query", "通讯查询"}, {"open", "打开"},
        {"send buffer:", "发送缓冲区："},    {"serial parameters", "串口参数"},
        {"system parameters", "系统参数"},
    };
    {
        TForm1 form;
        const QStringList captions = WindowCaptions(form.centralWidget());
        for (const Row& row : rows) {
            SCOPED_TRACE(row.english);
            EXPECT_TRUE(captions.contains(QString::fromUtf8(row.chinese)));
            EXPECT_FALSE(captions.contains(QString::fromUtf8(row.english)));
        }
        // A caption set after start and a message are translated as well.
        PtyPair pty;
        form.SPREALCOM->ShowText(QString::fromStdString(pty.path));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        EXPECT_EQ(form.Button1->text(), QString::fromUtf8("关闭"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        EXPECT_EQ(form.Button1->text(), QString::fromUtf8("打开"));
        ShowMessage(&form, QStringLiteral("parameter query timeout!"));
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_EQ(messages.back(), QString::fromUtf8("参数查询超时！"));
    }
    ASSERT_EQ(InstallTranslation(QStringLiteral("en")), "");
    TForm1 form;
    const QStringList captions = WindowCaptions(form.centralWidget());
    for (const Row& row : rows)
        EXPECT_TRUE(captions.contains(QString::fromUtf8(row.english))) << row.english;
}

} // namespace
