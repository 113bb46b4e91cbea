#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/CaptionFit.h"
#include "app/LanguageFile.h"
#include "app/MainForm.h"
#include "app/OpenDialogFilter.h"
#include "app/UserDialogs.h"

namespace tervaline::app {
namespace {

TEST(OpenDialogFilterTest, WindowsPairsBecomeToolkitFilters) {
    struct TCase {
        const char* Filter;
        QStringList Expected;
    };
    const TCase cases[] = {
        {"DBX File (*.dbx)|*.dbx|All Types (*.*)|*.*", {"DBX File (*.dbx) (*.dbx)", "All Types (*.*) (*)"}},
        {"Mail|*.dbx;*.mbx", {"Mail (*.dbx *.mbx)"}},
        {"Mail|*.dbx|Everything", {"Mail (*.dbx)", "Everything (*)"}},
        {"|*.dbx", {"*.dbx (*.dbx)"}},
        {"", {}},
        {"Mail|*.dbx||", {"Mail (*.dbx)"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ToQtNameFilters(c.Filter), c.Expected) << c.Filter;
}

TEST(BufferKilobytesTest, OnlyAWholeNumberFromOneTo5000) {
    struct TCase {
        const char* Text;
        std::optional<int> Expected;
    };
    const TCase cases[] = {
        {"64", 64}, {"1", 1}, {"5000", 5000}, {" 10 ", 10}, {"0064", 64},
        {"\xEF\xBC\x96\xEF\xBC\x94", 64},  // full-width digits from an input method
        {"", std::nullopt}, {"0", std::nullopt}, {"5001", std::nullopt}, {"-5", std::nullopt},
        {"+5", std::nullopt}, {"64.5", std::nullopt}, {"1 0", std::nullopt}, {"0x10", std::nullopt},
        {"99999999999", std::nullopt}, {"64 KB", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(BufferKilobytes(QString::fromUtf8(c.Text)), c.Expected) << c.Text;
}

TEST(ElapsedTextTest, MinutesAndSecondsThenHours) {
    struct TCase {
        std::int64_t Milliseconds;
        const char* Expected;
    };
    const TCase cases[] = {{0, "0:00"},          {999, "0:00"},         {59'999, "0:59"},   {60'000, "1:00"},
                           {3'599'000, "59:59"}, {3'600'000, "1:00:00"}, {3'723'000, "1:02:03"},
                           {-5, "0:00"}};
    for (const auto& c : cases) EXPECT_EQ(ElapsedText(c.Milliseconds), c.Expected) << c.Milliseconds;
}

TEST(ShareWidthTest, EqualColumnsWhenAllFitElseTheWiderGiveWay) {
    struct TCase {
        std::vector<int> Wanted;
        int Room;
        std::vector<int> Expected;
    };
    const TCase cases[] = {
        {{80, 90}, 194, {97, 97}},
        {{60, 120}, 194, {67, 127}},
        {{100, 120}, 200, {100, 100}},
        {{50, 100, 120}, 200, {50, 75, 75}},
        {{100}, 80, {80}},
        {{}, 100, {}},
    };
    for (const auto& c : cases) {
        const std::vector<int> shares = ShareWidth(c.Wanted, c.Room);
        EXPECT_EQ(shares, c.Expected) << c.Room;
        int total = 0;
        for (int share : shares) total += share;
        EXPECT_LE(total, c.Room);
    }
}

TEST(UserDialogsTest, DialogsSpeakTheWindowsLanguageAndAQuestionCanBeWithdrawn) {
    TQtUserDialogs dialogs;
    dialogs.Texts = {"Gut", "&Ja", "&Nein", "Lieber nicht", "Ö&ffnen", "Suchen in:", "Datei&name:", "Dateityp:"};
    QStringList captions;
    auto readButtons = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return false;
        for (QAbstractButton* button : box->buttons()) captions.append(button->text());
        return true;
    };
    QTimer::singleShot(0, [&] {
        if (readButtons()) dialogs.DismissQuestion();
    });
    EXPECT_FALSE(dialogs.AskYesNo(nullptr, "Tervaline", "Stop?")) << "withdrawn counts as No";
    captions.sort();
    EXPECT_EQ(captions, QStringList({"&Ja", "&Nein"}));

    captions.clear();
    QTimer::singleShot(0, [&] {
        if (readButtons()) QApplication::activeModalWidget()->close();
    });
    dialogs.ShowError(nullptr, "Tervaline", "Wrong");
    EXPECT_EQ(captions, QStringList({"Gut"}));

    // The toolkit's own open-file dialog; a desktop's replaces it only where
    // a platform theme is loaded, which the tests never load.
    QStringList labels;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType, QFileDialog::Accept,
                           QFileDialog::Reject}) {
            labels.append(dialog->labelText(label));
        }
        dialog->reject();
    });
    EXPECT_FALSE(dialogs.ChooseFile(nullptr, QString(), {"DBX (*.dbx)"}));
    EXPECT_EQ(labels, QStringList({"Suchen in:", "Datei&name:", "Dateityp:", "Ö&ffnen", "Lieber nicht"}));
    dialogs.DismissQuestion();  // with no question open, nothing to do
}

TEST(LanguageEncodingTest, ValidUtf8IsToldFromOtherBytes) {
    struct TCase {
        std::string_view Bytes;
        bool Valid;
    };
    const TCase cases[] = {
        {"", true},
        {"Start=&Go", true},
        {"\xE9\x96\x8B\xE5\xA7\x8B", true},          // 開始
        {"\xF0\x9F\x98\x80", true},                  // a character beyond the first plane
        {"\x8A\x4A\x8E\x6E", false},                 // 開始 in code page 932
        {"\x95\x5C\x8E\xA6", false},                 // 表示: the trail byte is a backslash
        {"\xC0\xAF", false},                         // overlong
        {"\xED\xA0\x80", false},                     // a surrogate
        {"\xE9\x96", false},                         // cut short
        {"\xB1\xB2", false},                         // half-width kana in code page 932
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.Bytes), c.Valid) << c.Bytes;
}

TEST(LanguageEncodingTest, CodePage932TextDecodesAndEncodesBack) {
    const TLanguageEncoding cp932(TLanguageEncoding::CodePage932);
    const QString text = QString::fromUtf8("表示～①ｱ");
    const std::string bytes = "\x95\x5C\x8E\xA6\x81\x60\x87\x40\xB1";
    EXPECT_EQ(cp932.Decode(bytes), text);
    EXPECT_EQ(cp932.Encode(text), bytes);

    const TLanguageEncoding utf8(TLanguageEncoding::Utf8);
    EXPECT_EQ(utf8.Decode(utf8.Encode(text)), text);
}

}  // namespace
}  // namespace tervaline::app
