// The Qt dialog layer on real widgets (QT_QPA_PLATFORM=offscreen): the probe dialog of the win32
// toolkit test, built from its resource script, driven with synthetic input.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "resource.h"
#include "support/toolkit_probe.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_toolkit.h"

namespace vidudi::toolkit {
namespace {

// Work inside the running loop after `ms` ms (0: once the queue holds nothing else).
void After(int ms, std::function<void()> work) { QTimer::singleShot(ms, qApp, std::move(work)); }

class Probe : public ProbeDialog {
public:
    using ProbeDialog::ProbeDialog;

    std::vector<InputMessage> input;
    bool consumeKeys = false;

    QtWindow& qt() { return static_cast<QtWindow&>(window()); }
    QWidget& dialog() { return qt().widget(); }
    template <typename W = QWidget>
    W* widget(int id) { return qobject_cast<W*>(qt().Widget(id)); }

    bool OnInitDialog() override {
        // A probe that hangs fails instead of stopping the run; the timer goes with the window.
        QTimer::singleShot(15000, &qt(), [this] {
            ADD_FAILURE() << "the probe dialog did not end";
            EndDialog(-99);
        });
        if (onInit) QTimer::singleShot(0, &qt(), onInit);
        return true;
    }
    bool PreTranslateMessage(const InputMessage& message) override {
        input.push_back(message);
        return consumeKeys && message.kind == InputMessage::Kind::KeyDown;
    }
};

class QtToolkitTest : public ::testing::Test {
protected:
    QtToolkitTest() : toolkit_(VIDUDI_PROBE_DIR, "toolkit_test.rc", "toolkit_test_ids.h") { UseBackend(&toolkit_); }
    ~QtToolkitTest() override { UseBackend(nullptr); }
    QtToolkit toolkit_;
};

QPoint CentreOf(QWidget* widget) { return widget->rect().center(); }

// Keys go where the window's focus is, as a user's typing does.
void Type(QWidget& window, const std::string& keys) {
    for (const char key : keys) QTest::keyClick(window.focusWidget(), key);
}

TEST_F(QtToolkitTest, ControlsComeFromTheScriptAndKeepTheWindowsRules) {
    Probe probe;
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        EXPECT_EQ(w.Text(0), "Probe");
        EXPECT_FALSE(w.Exists(4242));
        w.Move(IDC_PLAIN, {20, 30, 80, 24});
        EXPECT_EQ(w.Bounds(IDC_PLAIN), (Rect{20, 30, 80, 24}));
        EXPECT_EQ(w.ControlAt({25, 35}), IDC_PLAIN);
        w.Show(IDC_PLAIN, false);
        EXPECT_EQ(w.ControlAt({25, 35}), 0);  // a hidden control is not hit
        EXPECT_EQ(w.ControlAt({-1, 5}), -1);
        const QPoint screen = probe.dialog().mapToGlobal(QPoint(7, 9));
        EXPECT_EQ(w.ScreenToClient({screen.x(), screen.y()}), (Point{7, 9}));
        w.Move(0, {0, 0, 801, 592});
        EXPECT_EQ(probe.dialog().size(), QSize(801, 592));

        const FontSpec bold{"Sans", 18, 700, 0};
        w.SetFont(IDC_LABEL, bold);
        EXPECT_EQ(w.Font(IDC_LABEL), bold);
        EXPECT_EQ(probe.widget(IDC_LABEL)->font().pixelSize(), 18);
        EXPECT_EQ(w.Font(IDC_EDIT), FontSpec{});
        w.SetText(IDC_LABEL, "Naïve");  // UTF-8 in, UTF-8 out
        EXPECT_EQ(w.Text(IDC_LABEL), "Naïve");

        // An edit takes no more than its limit, whatever is typed.
        w.LimitText(IDC_EDIT, 4);
        w.SetFocus(IDC_EDIT);
        QTest::keyClicks(probe.widget<QLineEdit>(IDC_EDIT), "abcdefg");
        EXPECT_EQ(w.Text(IDC_EDIT), "abcd");
        EXPECT_EQ(w.FocusedControl(), IDC_EDIT);

        // The user's choice in a drop-down list is reported; the program's own is not.
        ExpectFirstUnnamedControlRules(w);
        ExpectSortedComboRules(w);
        emit probe.widget<QComboBox>(IDC_SORTED)->activated(2);
        EXPECT_EQ(probe.Count(CommandEvent(IDC_SORTED, kComboSelChange)), 1);

        // Typed into the address fields: three digits or a dot move on; letters are refused; a
        // value above 255 is 255; a dot in an empty field leaves it blank.
        ExpectAddressRules(w);
        IpAddressControl address(w, IDC_ADDRESS);
        auto* fields = probe.widget<IpAddressEdit>(IDC_ADDRESS);
        address.FocusField(0);
        Type(probe.dialog(), "1921x");
        EXPECT_EQ(fields->FieldEdit(0)->text(), "192");
        EXPECT_EQ(fields->FieldEdit(1)->text(), "1");
        Type(probe.dialog(), "...");
        EXPECT_EQ(fields->FocusedField(), 2);
        Type(probe.dialog(), "7.999");
        std::uint8_t octets[4] = {};
        EXPECT_EQ(address.GetAddress(octets), 4);
        EXPECT_EQ((std::vector<int>{octets[0], octets[1], octets[2], octets[3]}), (std::vector<int>{192, 1, 7, 255}));
        // Backspace at the start of a field goes back to the one before; a blank field reads as 0.
        fields->FieldEdit(1)->clear();
        fields->FieldEdit(1)->setFocus();
        Type(probe.dialog(), "\b");
        EXPECT_EQ(probe.dialog().focusWidget(), fields->FieldEdit(0));
        EXPECT_EQ(address.GetAddress(octets), 3);
        EXPECT_EQ(octets[1], 0);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, ListClicksSelectRowsAndReportEvenOnEmptySpace) {
    Probe probe;
    probe.onInit = [&] {
        ExpectListRules(probe.w());
        ListView list(probe.w(), IDC_LIST);
        list.SetFullRowSelect();
        list.InsertItem(0, "beta");
        list.InsertItem(0, "alpha");
        auto* tree = probe.widget<QTreeWidget>(IDC_LIST);
        EXPECT_EQ(tree->headerItem()->text(1), "IP Address");
        EXPECT_EQ(tree->columnWidth(0), 120);
        const QPoint second = tree->visualItemRect(tree->topLevelItem(1)).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, second);
        EXPECT_TRUE(list.IsSelected(1));
        EXPECT_EQ(list.SelectionMark(), 1);
        // Empty space below the rows: nothing selected, the mark stays, the click is reported.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(5, tree->viewport()->height() - 3));
        EXPECT_FALSE(list.IsSelected(1));
        EXPECT_EQ(list.SelectionMark(), 1);
        EXPECT_EQ(probe.Count("notify " + std::to_string(IDC_LIST) + "/" + std::to_string(kListClick)), 2);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, ButtonsKeysAndTheCloseBoxReachTheDialogItsWay) {
    Probe probe;
    int seenBeforePost = -1;
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        auto* plain = probe.widget<QPushButton>(IDC_PLAIN);
        QTest::mouseMove(plain, CentreOf(plain));
        QTest::mouseClick(plain, Qt::LeftButton, {}, CentreOf(plain));
        EXPECT_EQ(probe.Count(CommandEvent(IDC_PLAIN)), 1);
        // The pointer's moves and the button's press were seen before the controls saw them.
        const auto kindSeen = [&](InputMessage::Kind kind) {
            return std::find_if(probe.input.begin(), probe.input.end(),
                                [kind](const InputMessage& m) { return m.kind == kind; });
        };
        EXPECT_NE(kindSeen(InputMessage::Kind::MouseMove), probe.input.end());
        const auto down = kindSeen(InputMessage::Kind::LeftButtonDown);
        ASSERT_NE(down, probe.input.end());
        const QPoint centre = plain->mapToGlobal(CentreOf(plain));
        EXPECT_EQ(down->screen, (Point{centre.x(), centre.y()}));

        // A posted click comes after the current event; to a button disabled by then, never.
        w.PostClick(IDC_PLAIN);
        seenBeforePost = probe.Count(CommandEvent(IDC_PLAIN));
        w.PostClick(IDC_SKINNED);
        w.Enable(IDC_SKINNED, false);
        After(0, [&] {
            EXPECT_EQ(probe.Count(CommandEvent(IDC_PLAIN)), 2);
            EXPECT_EQ(probe.Count(CommandEvent(IDC_SKINNED)), 0);
            // Return is the OK command unless the dialog takes the key first; Escape is Cancel.
            probe.consumeKeys = true;
            QTest::keyClick(&probe.dialog(), Qt::Key_Return);
            EXPECT_EQ(probe.Count(CommandEvent(kIdOk)), 0);
            EXPECT_EQ(probe.input.back().wParam, 13u);
            probe.consumeKeys = false;
            QTest::keyClick(probe.widget(IDC_EDIT), Qt::Key_Return);
            EXPECT_EQ(probe.Count(CommandEvent(kIdOk)), 1);  // and OK ends the probe
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    EXPECT_EQ(seenBeforePost, 1);

    // The close box: the close command first, then OnClose, which cancels.
    Probe closing;
    closing.onInit = [&] { closing.dialog().close(); };
    EXPECT_EQ(closing.DoModal(), kIdCancel);
    EXPECT_EQ(closing.events, (std::vector<std::string>{"syscommand " + std::to_string(kSysCommandClose), "close"}));
}

// Linux window managers keep their window menu: the program's entries show on a right click on
// the window's background.
TEST_F(QtToolkitTest, SystemMenuEntriesShowOnARightClickOnTheBackground) {
    Probe probe;
    probe.onInit = [&] {
        probe.w().AppendSystemMenuEntry(0x10, "About Vidudi...");
        After(50, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            ASSERT_EQ(menu->actions().size(), 2);  // the separator, then the entry
            EXPECT_TRUE(menu->actions()[0]->isSeparator());
            QAction* about = menu->actions()[1];
            EXPECT_EQ(about->text(), "About Vidudi...");
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(about).center());
        });
        QWidget& dialog = probe.dialog();
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(250, 250), dialog.mapToGlobal(QPoint(250, 250)));
        QApplication::sendEvent(&dialog, &click);
        EXPECT_EQ(probe.Count("syscommand 16"), 1);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, AnExchangeRunsOnAWorkerWhileTheWindowAnswersDropsInputAndCanBeClosed) {
    Probe probe;
    const ExchangeHooks hooks{
        After,
        [&] {
            auto* plain = probe.widget<QPushButton>(IDC_PLAIN);
            QTest::mouseClick(plain, Qt::LeftButton, {}, CentreOf(plain));
            QTest::keyClick(probe.widget(IDC_EDIT), Qt::Key_Escape);
        },
        [] { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; },
        [&] { probe.dialog().close(); }};
    probe.onInit = [&] { RunExchanges(probe, hooks); };
    EXPECT_EQ(probe.DoModal(), kIdCancel);
}

TEST_F(QtToolkitTest, MessageBoxesAreModalToTheWindowWithTheirTextCaptionAndIcon) {
    const struct {
        const char* text;
        const char* caption;
        MessageIcon icon;
        QMessageBox::Icon shown;
    } boxes[] = {{"Failed to map drive.", "Error", MessageIcon::Error, QMessageBox::Critical},
                 {"Please select a device to configure.", "Warning", MessageIcon::Warning, QMessageBox::Warning},
                 {"Successfully mapped drive.", "Confirm", MessageIcon::Information, QMessageBox::Information}};
    Probe probe;
    probe.onInit = [&] {
        for (const auto& box : boxes) {
            After(10, [&] {
                auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(shown, nullptr);
                EXPECT_EQ(shown->text(), box.text);
                EXPECT_EQ(shown->windowTitle(), box.caption);
                EXPECT_EQ(shown->icon(), box.shown);
                EXPECT_EQ(shown->parentWidget(), &probe.dialog());
                shown->button(QMessageBox::Ok)->click();
            });
            EXPECT_EQ(probe.w().MessageBox(box.text, box.caption, box.icon), kIdOk);
        }
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, PicturesAreDrawnOrTellWhyNot) {
    const PictureFiles files;
    Probe probe;
    std::vector<PictureOutcome> outcomes;
    probe.onPaint = [&](PaintContext& paint) { outcomes = files.DrawAll(paint); };
    probe.onInit = [&] {
        const QImage shot = probe.dialog().grab().toImage();
        ExpectPicturesDrawn(probe.w(), files, outcomes, {shot.width(), shot.height()}, [&](int id, int x, int y) {
            QWidget* control = probe.qt().Widget(id);
            const QColor c = control->window()->grab().toImage().pixelColor(control->mapTo(control->window(), QPoint(x, y)));
            return Color{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue())};
        });
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

// The program's own resources: the main window's template, its face bitmaps and its strings.
TEST(QtToolkitResources, TheProgramsFacesIconAndStringsComeFromItsResourceFolder) {
    QtToolkit toolkit(VIDUDI_RES_DIR);
    UseBackend(&toolkit);
    Probe main(IDD_VIDUDI_DIALOG);
    main.onInit = [&] {
        DialogWindow& w = main.w();
        EXPECT_EQ(w.Text(0), "Norvane Vidudi");
        EXPECT_EQ(w.LoadString(IDS_ABOUTBOX), "About Vorezar Idivuve Redozoz(&A)...");
        EXPECT_FALSE(w.IsVisible(IDC_NAS_DEVICE_LABEL));
        w.Move(IDC_MOUNT, {600, 264, 79, 21});
        w.SetButtonFace(IDC_MOUNT, IDB_MOUNT);
        EXPECT_EQ(w.ButtonFace(IDC_MOUNT), IDB_MOUNT);
        const QImage face(QString(VIDUDI_RES_DIR) + "/faces/mount.bmp");
        ASSERT_FALSE(face.isNull());
        const QImage drawn = main.widget(IDC_MOUNT)->grab().toImage();
        EXPECT_EQ(drawn.pixelColor(face.width() / 2, face.height() / 2), face.pixelColor(face.width() / 2, face.height() / 2));
        w.SetIcon(IDR_MAINFRAME);
        EXPECT_FALSE(main.dialog().windowIcon().isNull());
        // The drive-letter list keeps one line's height, whatever height its open list has.
        w.Move(IDC_DRIVE_LETTER, {570, 214, 140, 220});
        EXPECT_LT(w.Bounds(IDC_DRIVE_LETTER).height, 60);
        main.EndDialog(kIdOk);
    };
    EXPECT_EQ(main.DoModal(), kIdOk);
    UseBackend(nullptr);
}

}  // namespace
}  // namespace vidudi::toolkit

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
