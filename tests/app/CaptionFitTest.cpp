// Every caption of the window must be readable whole in the fonts a desktop
// may fall back on, in English and in the sample languages: no control cuts
// its text, and no control covers another.
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MainFormPeer.h"
#include "WindowFixture.h"
#include "app/MainForm.h"
#include "ui/ScanSummary.h"
#include "tests/support/TempDir.h"

namespace tervaline::app {
namespace {

using testing::TRecordingDialogs;
using testing::TTempDir;

// Room a caption has and the width it needs, in pixels.
struct TCaptionFit {
    QString Control;
    int Needed;
    int Room;
};

int CaptionWidth(const QWidget& control, const QString& text) {
    return QFontMetrics(control.font()).size(Qt::TextShowMnemonic, text).width();
}

std::vector<TCaptionFit> MeasureCaptions(const QWidget& form) {
    std::vector<TCaptionFit> fits;
    for (const QPushButton* button : form.findChildren<QPushButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.rect = button->rect();
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        fits.push_back({button->text(), CaptionWidth(*button, button->text()), room.width()});
    }
    for (const QRadioButton* radio : form.findChildren<QRadioButton*>()) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        option.rect = radio->rect();
        const QRect room = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        fits.push_back({radio->text(), CaptionWidth(*radio, radio->text()), room.width()});
        // The item lies inside its frame's border.
        fits.push_back({radio->text() + " in its frame", radio->geometry().right() + 1,
                        radio->parentWidget()->width() - 2});
    }
    for (const QGroupBox* box : form.findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.lineWidth = 1;
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        option.textAlignment = box->alignment();
        const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        fits.push_back({box->title(), label.right() + 1, box->width() - 2});
    }
    for (const QLabel* label : form.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        fits.push_back({label->text(), label->sizeHint().width(), label->width()});
        fits.push_back({label->text() + " in the window", label->geometry().right() + 1, form.width()});
    }
    for (const QComboBox* box : form.findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        // A line edit keeps a margin of its own on either side of its text.
        fits.push_back({box->currentText(), QFontMetrics(box->lineEdit()->font()).horizontalAdvance(box->currentText()),
                        field.width() - 4});
    }
    for (const QProgressBar* bar : form.findChildren<QProgressBar*>()) {
        if (bar->isTextVisible()) {
            fits.push_back({bar->text(), QFontMetrics(bar->font()).horizontalAdvance(bar->text()), bar->width() - 8});
        }
    }
    return fits;
}

// Pairs of sibling controls whose rectangles meet.
std::vector<QString> Overlaps(const QWidget& parent) {
    std::vector<QString> found;
    std::vector<const QWidget*> children;
    for (const QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || !child->isVisibleTo(&parent)) continue;
        if (const auto* label = qobject_cast<const QLabel*>(child); label != nullptr && label->text().isEmpty()) continue;
        children.push_back(child);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            if (children[i]->geometry().intersects(children[j]->geometry())) {
                found.push_back(children[i]->objectName() + children[i]->metaObject()->className() + " / " +
                                children[j]->metaObject()->className());
            }
        }
    }
    return found;
}

void ExpectEveryCaptionFits(const TMainForm& form, const std::string& when) {
    for (const TCaptionFit& fit : MeasureCaptions(form)) {
        EXPECT_LE(fit.Needed, fit.Room) << when << ": " << fit.Control.toStdString();
    }
    for (const QWidget* parent : {static_cast<const QWidget*>(&form), static_cast<const QWidget*>(TMainFormPeer(const_cast<TMainForm&>(form)).rdgMode)}) {
        for (const QString& overlap : Overlaps(*parent)) ADD_FAILURE() << when << ": " << overlap.toStdString();
    }
}

TEST(CaptionFitTest, EveryCaptionFitsInTheFontsAtHand) {
    const std::string samples = TERVALINE_SAMPLES_DIR;
    struct TCase {
        const char* Name;
        std::function<void(const std::filesystem::path&)> Install;
        const char* Family;  // the face the window must end up drawing with
    };
    auto copy = [](const std::string& sample) {
        return [sample](const std::filesystem::path& dir) {
            std::filesystem::copy_file(sample, dir / std::filesystem::path(sample).filename());
        };
    };
    const TCase cases[] = {
        {"built-in", [](const std::filesystem::path&) {}, "IPAPGothic"},
        {"DejaVu Sans",
         [](const std::filesystem::path& dir) {
             testing::WriteFileBytes(dir / "w.lng", "[Interface]\nFont.Name=\"DejaVu Sans\"\n");
         },
         "DejaVu Sans"},
        {"German", copy(samples + "/German.lng"), "DejaVu Sans"},
        {"Japanese", copy(samples + "/Japanese.lng"), "IPAPGothic"},
    };
    for (const auto& c : cases) {
        TTempDir programDir;
        c.Install(programDir.Path());
        TRecordingDialogs dialogs;
        TMainForm form(programDir.Path().string(), &dialogs);
        TMainFormPeer f(form);
        form.show();
        ASSERT_TRUE(dialogs.Shown.empty()) << c.Name;
        ASSERT_EQ(QFontInfo(form.font()).family(), c.Family) << c.Name << ": the font this case is about";
        ExpectEveryCaptionFits(form, std::string(c.Name) + ", idle");

        for (int i = 0; i < f.cmbBuffer->count(); ++i) {
            f.cmbBuffer->setCurrentIndex(i);
            ExpectEveryCaptionFits(form, std::string(c.Name) + ", buffer " + f.cmbBuffer->currentText().toStdString());
        }

        // The longest a scan under way can say: a folder's store, many finds, long to go.
        const ui::TInterfaceTexts& texts = f.Model().Texts();
        f.ShowStatus(ui::RunningStatusView({99999, 123, std::chrono::hours(11), "Posteingang.dbx", 12, 14}, texts));
        ExpectEveryCaptionFits(form, std::string(c.Name) + ", under way");

        // The longest end a scan can have: stopped, with large counts, after long.
        ui::TFinishedScan stopped;
        stopped.Outcome.Started = stopped.Outcome.StopRequested = true;
        stopped.Outcome.Found = 99999;
        stopped.Outcome.FoundInTrash = 49999;
        stopped.Permille = 999;
        f.ShowStatus(ui::SummaryOf({stopped}, std::chrono::hours(99), texts).Status);
        ExpectEveryCaptionFits(form, std::string(c.Name) + ", the end");
    }
}

}  // namespace
}  // namespace tervaline::app
