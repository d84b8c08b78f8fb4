#include <QDate>
#include <QDir>
#include <QFile>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

#include "platform/qt/ini/ini_settings_backend.h"
#include "platform/qt/ini/ini_text.h"

// The settings files are the ones QSettings (INI format) read and wrote
// before, and may be read by it again after a downgrade: the same text must
// come out of a file whichever of the two reads it. QSettings keeps parsed
// files in memory by name, so each file here is new to it.
namespace davev {
namespace {

class SettingsFormatTest : public testing::Test {
protected:
    std::string base() const { return dir.path().toStdString(); }
    QString path(const QString& section) const { return dir.filePath("DA-VEV/" + section + ".ini"); }

    void writeFile(const QString& section, const QByteArray& text) const
    {
        QDir().mkpath(dir.filePath("DA-VEV"));
        QFile file(path(section));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // What the program read through QSettings: a list joined with ", ".
    static std::string readByQSettings(const QString& path, const std::string& key)
    {
        const QSettings settings(path, QSettings::IniFormat);
        const QVariant value = settings.value(QString::fromStdString(key));
        if (!value.isValid())
            return "(absent)";
        if (value.typeId() == QMetaType::QStringList)
            return value.toStringList().join(QStringLiteral(", ")).toStdString();
        return value.toString().toStdString();
    }

    QTemporaryDir dir;
};

struct Setting {
    std::string key;
    std::string value;
};

const Setting nastySettings[] = {
    {"MAIN-Left", "C:\\Data\\Größe.txt"},
    {"key with spaces", "  padded  "},
    {"Größe", "\tleading and trailing tab\t"},
    {"a=b;c\"d", "say \"hi\""},
    {"#hash", "ends with a backslash \\"},
    {"[bracket]", "a, b,c"},
    {"%percent", "a; b"},
    {"🙂", "x = y"},
    {"k1", "# not a comment"},
    {"k2", "@Variant(not really)"},
    {"k3", "@@twice"},
    {"k4", "@ByteArray(looks typed)"},
    {"k5", "@String(looks typed)"},
    {"k6", "line one\r\nline two\r\n"},
    {"k7", "\x01"
           "abc\x1f"
           "9"},
    {"k8", std::string("a\0"
                       "1b",
                       4)},
    {"k9", "Grüße, 東京 🙂"},
    {"k10", ""},
    {"k11", "\\x41\\n\\101"},
    {"k12", "[General]"},
    {"k13", "   "},
    {"k14", "\""},
    {"k15", "; leading semicolon"},
    {"k16", "\\"},
};

TEST_F(SettingsFormatTest, TextWrittenByEitherReadsTheSameByTheOther)
{
    IniSettingsBackend settings(base());
    std::vector<std::pair<std::string, std::string>> values;
    for (const Setting& setting : nastySettings)
        values.emplace_back(setting.key, setting.value);
    settings.saveAll("DA-VEV", "Written here", values);
    {
        QSettings qt(path("Written by QSettings"), QSettings::IniFormat);
        for (const Setting& setting : nastySettings)
            qt.setValue(QString::fromStdString(setting.key), QString::fromStdString(setting.value));
    }

    for (const Setting& setting : nastySettings) {
        EXPECT_EQ(readByQSettings(path("Written here"), setting.key), setting.value) << setting.key;
        EXPECT_EQ(settings.get("DA-VEV", "Written by QSettings", setting.key, "(absent)"), setting.value)
            << setting.key;
        EXPECT_EQ(settings.get("DA-VEV", "Written here", setting.key, "(absent)"), setting.value) << setting.key;
    }
}

TEST_F(SettingsFormatTest, HandEditsAndTypedValuesReadAsQSettingsReadsThem)
{
    const QByteArray files[] = {
        "[General]\nK=a, b ,  c\n",
        "[General]\nK=\"a, b\"\n",
        "[General]\nK=  spaced out  \n",
        "[General]\nK=\"quoted\" tail  \n",
        "[General]\nK=\"a\"\"b\"\n",
        "[General]\nK=@String(a\\0\\x31)\n",
        "[General]\nK=@ByteArray(\\xc3\\xa4)\n",
        "[General]\nK=@ByteArray(\xc3\xa4)\n",
        "[General]\nK=@Invalid()\n",
        "[General]\nK=@@x\n",
        "[General]\nK=@Rect(1 2 3 4)\n",
        "[General]\nK=@Size(1 2 3)\n",
        "[General]\nK=a, @b\n",
        "[General]\nK=@@a, @@b\n",
        "[General]\nK=\\x41\\x4g\\101\\x\n",
        "[General]\nK=tab\\tend\\t\n",
        "[General]\nK=\\q\\\n",
        "[General]\nK=\t \n",
        "[General]\nK\n",
        "[General]\nK=a ; comment\n",
        "[General]\nK=\"multi\nline\"\n",
        "[General]\nK=line\\\n  continued\n",
        "[General]\nK=a\\\r\n b\n",
        "[General]\nK=\"unterminated\nOTHER=1\n",
        "K=before any group\n[Other]\nK=other\n",
        "[general]\nK=lower case group\n",
        "[%General]\nK=a group named General\n",
        "[ General ]\nK=blanks in the header\n",
        "\xef\xbb\xbf[General]\r\nK=byte order mark, CRLF\r\n",
        "[General]\nK=first\nK=second\n",
        "[General]\n  K  =  padded key\n",
        "[General]\n%4B=escaped key\n",
        "; comment\n[General]\n;K=commented out\nK=real\n",
        "[unclosed\nK=x\n[General]\nK=y",
        "[General]\nK=caf\xc3\xa9 \xe6\x9d\xb1\n",
        "[General]\nK=bad \xff utf-8\n",
        "\xef\xbb\xbfK=byte order mark before the first key\n",
        "\xef\xbb\xbf\t%4B=a blank after the mark, kept in the key\n",
    };
    IniSettingsBackend settings(base());
    int i = 0;
    for (const QByteArray& text : files) {
        const QString section = QString::number(i++);
        writeFile(section, text);
        EXPECT_EQ(settings.get("DA-VEV", section.toStdString(), "K", "(absent)"), readByQSettings(path(section), "K"))
            << text.toStdString();
    }

    // Values QSettings writes for other types than text.
    {
        QSettings qt(path("typed"), QSettings::IniFormat);
        qt.setValue("date", QDate(2024, 2, 29));
        qt.setValue("bytes", QByteArray("\xc3\xa4\x01z"));
        qt.setValue("list", QStringList{"a", "b, c", "@d"});
        qt.setValue("number", 42);
        qt.setValue("rectangle", QRect(1, 2, 3, 4));
        qt.setValue("mixed", QVariantList{1, "x"});
    }
    QFile::copy(path("typed"), path("typed copy"));
    for (const char* key : {"date", "bytes", "list", "number", "rectangle", "mixed"})
        EXPECT_EQ(settings.get("DA-VEV", "typed", key, "(absent)"), readByQSettings(path("typed copy"), key)) << key;
}

TEST_F(SettingsFormatTest, RandomHandEditsReadAndTakeValuesAsQSettingsSeesThem)
{
    // Pieces of INI syntax, and of the values a user may type.
    const char* const pieces[] = {"[General]\n",
                                  "[Other]\n",
                                  "[general]\n",
                                  "[%General]\n",
                                  "[ General ]\n",
                                  "\xef\xbb\xbf",
                                  "K=",
                                  "K =",
                                  "L=",
                                  "K",
                                  " ",
                                  "\t",
                                  "\"",
                                  "\\",
                                  ",",
                                  ";",
                                  "=",
                                  "@",
                                  "@@",
                                  "\n",
                                  "\r\n",
                                  "\r",
                                  "a",
                                  "\xc3\xa4",
                                  "\\x4",
                                  "1",
                                  "\\0",
                                  "\\101",
                                  "@String(",
                                  "@ByteArray(",
                                  ")",
                                  "%4B=",
                                  "%U00E4",
                                  "[",
                                  "]",
                                  "\\n",
                                  "\\\n",
                                  "#",
                                  "?",
                                  "\"a,b\""};
    const char* const typed[] = {" ", "\t",       "\"", "\\", ",", ";",    "=", "@",
                                 "a", "\xc3\xa4", "\n", "\r", "1", "\x01", "#", "["};
    std::minstd_rand random(20261207);
    const auto pick = [&random](const auto& from) { return from[random() % std::size(from)]; };
    IniSettingsBackend settings(base());
    for (int n = 0; n < 1000; ++n) {
        QByteArray text;
        for (auto count = random() % 25; count > 0; --count)
            text += pick(pieces);
        std::string value;
        for (auto count = random() % 8; count > 0; --count)
            value += pick(typed);
        const QString section = QString::number(n);
        writeFile(section, text);
        writeFile(section + " new", ini::withValues(text, {{"K", QString::fromStdString(value)}}));
        for (const char* key : {"K", "L"})
            ASSERT_EQ(settings.get("DA-VEV", section.toStdString(), key, "(absent)"),
                      readByQSettings(path(section), key))
                << key << " in " << text.toStdString();
        ASSERT_EQ(readByQSettings(path(section + " new"), "K"), value) << "stored in " << text.toStdString();
        ASSERT_EQ(readByQSettings(path(section + " new"), "L"), readByQSettings(path(section), "L"))
            << "kept in " << text.toStdString();
    }
}

} // namespace
} // namespace davev
