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
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resource.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_toolkit.h"
#include "toolkit_test_ids.h"

namespace vidudi::toolkit {
namespace {

void Soon(std::function<void()> work) { QTimer::singleShot(0, qApp, std::move(work)); }
// Work inside the running loop after `ms` ms.
void After(int ms, std::function<void()> work) { QTimer::singleShot(ms, qApp, std::move(work)); }

class Probe : public Dialog {
public:
    explicit Probe(int templateId = IDD_PROBE) : Dialog(templateId) {}

    std::function<void()> onInit;
    std::function<void(PaintContext&)> onPaint;
    std::atomic<bool> abandoned{false};
    std::vector<std::string> events;
    std::vector<InputMessage> input;
    bool consumeKeys = false;

    DialogWindow& w() { return window(); }
    QtWindow& qt() { return static_cast<QtWindow&>(window()); }
    template <typename W>
    W* widget(int id) { return qobject_cast<W*>(qt().Widget(id)); }
    int Count(const std::string& event) const { return static_cast<int>(std::count(events.begin(), events.end(), event)); }

    bool OnInitDialog() override {
        // A probe that hangs fails instead of stopping the run; the timer goes with the window.
        QTimer::singleShot(15000, &qt(), [this] {
            ADD_FAILURE() << "the probe dialog did not end";
            EndDialog(-99);
        });
        if (onInit) QTimer::singleShot(0, &qt(), onInit);
        return true;
    }
    void OnCommand(int id, int notification) override {
        events.push_back("command " + std::to_string(id) + "/" + std::to_string(notification));
        Dialog::OnCommand(id, notification);
    }
    void OnNotify(int id, int code) override {
        events.push_back("notify " + std::to_string(id) + "/" + std::to_string(code));
    }
    void OnPaint(PaintContext& paint) override {
        if (onPaint) onPaint(paint);
    }
    void OnAbandonExchange() override {
        events.push_back("abandon");
        abandoned = true;
    }
    void OnClose() override {
        events.push_back("close");
        Dialog::OnClose();
    }
    bool OnSysCommand(int command) override {
        events.push_back("syscommand " + std::to_string(command));
        return false;
    }
    std::optional<ControlColors> OnCtlColor(int id) override {
        if (id == IDC_LABEL) return ControlColors{true, {0, 0, 255}};
        return std::nullopt;
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

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

void WriteSolidBitmap(const std::string& path, QColor colour) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
}

// What the dialog shows at a point of a control.
QColor PixelOf(QWidget* control, int x, int y) {
    return control->window()->grab().toImage().pixelColor(control->mapTo(control->window(), QPoint(x, y)));
}

// Keys go where the window's focus is, as a user's typing does.
void Type(QWidget& window, const std::string& keys) {
    for (const char key : keys) QTest::keyClick(window.focusWidget(), key);
}

TEST_F(QtToolkitTest, ControlsComeFromTheScriptAndKeepTheWindowsRules) {
    Probe probe;
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        EXPECT_EQ(w.Text(0), "Probe");
        EXPECT_TRUE(w.Exists(IDC_EDIT));
        EXPECT_FALSE(w.Exists(4242));
        w.Move(IDC_PLAIN, {20, 30, 80, 24});
        EXPECT_EQ(w.Bounds(IDC_PLAIN), (Rect{20, 30, 80, 24}));
        EXPECT_EQ(w.ControlAt({25, 35}), IDC_PLAIN);
        w.Show(IDC_PLAIN, false);
        EXPECT_FALSE(w.IsVisible(IDC_PLAIN));
        EXPECT_EQ(w.ControlAt({25, 35}), 0);
        EXPECT_EQ(w.ControlAt({-1, 5}), -1);
        w.Show(IDC_PLAIN, true);
        const QPoint screen = probe.qt().widget().mapToGlobal(QPoint(7, 9));
        EXPECT_EQ(w.ScreenToClient({screen.x(), screen.y()}), (Point{7, 9}));
        w.Move(0, {0, 0, 801, 592});
        EXPECT_EQ(probe.qt().widget().size(), QSize(801, 592));

        const FontSpec bold{"Sans", 18, 700, 0};
        w.SetFont(IDC_LABEL, bold);
        EXPECT_EQ(w.Font(IDC_LABEL), bold);
        EXPECT_EQ(probe.widget<QWidget>(IDC_LABEL)->font().pixelSize(), 18);
        EXPECT_EQ(w.Font(IDC_EDIT), FontSpec{});
        w.SetText(IDC_LABEL, "Naïve");  // UTF-8 in, UTF-8 out
        EXPECT_EQ(w.Text(IDC_LABEL), "Naïve");

        // An edit takes no more than its limit, whatever is typed.
        w.LimitText(IDC_EDIT, 4);
        w.SetFocus(IDC_EDIT);
        QTest::keyClicks(probe.widget<QLineEdit>(IDC_EDIT), "abcdefg");
        EXPECT_EQ(w.Text(IDC_EDIT), "abcd");
        EXPECT_EQ(w.FocusedControl(), IDC_EDIT);
        w.Enable(IDC_EDIT, false);
        EXPECT_FALSE(w.IsEnabled(IDC_EDIT));

        // A sorted drop-down list, ignoring case; no selection until one is made.
        ComboBox sorted(w, IDC_SORTED);
        EXPECT_EQ(sorted.Add("C:"), 0);
        EXPECT_EQ(sorted.Add("a:"), 0);
        EXPECT_EQ(sorted.Add("B:"), 1);
        EXPECT_EQ(sorted.Selection(), -1);
        EXPECT_EQ(sorted.Text(), "");
        sorted.Select(1);
        EXPECT_EQ(sorted.Text(), "B:");
        EXPECT_EQ(sorted.Add("0:"), 0);
        EXPECT_EQ(sorted.Text(), "B:");  // the selection stays with its item
        sorted.Select(9);
        EXPECT_EQ(sorted.Selection(), -1);
        // The user's choice is reported; the program's own is not.
        emit probe.widget<QComboBox>(IDC_SORTED)->activated(2);
        EXPECT_EQ(probe.Count("command " + std::to_string(IDC_SORTED) + "/1"), 1);

        // The four address fields.
        IpAddressControl address(w, IDC_ADDRESS);
        std::uint8_t octets[4] = {};
        EXPECT_TRUE(address.IsBlank());
        address.SetAddress({10, 77, 0, 5});
        EXPECT_EQ(address.GetAddress(octets), 4);
        EXPECT_EQ(octets[3], 5);
        address.Clear();
        EXPECT_TRUE(address.IsBlank());
        auto* fields = probe.widget<IpAddressEdit>(IDC_ADDRESS);
        address.FocusField(0);
        // Three digits or a dot move on; letters are refused; a value above 255 is 255; a dot
        // in an empty field leaves it blank.
        QWidget& dialog = probe.qt().widget();
        Type(dialog, "1921x");
        EXPECT_EQ(fields->FieldEdit(0)->text(), "192");
        EXPECT_EQ(fields->FieldEdit(1)->text(), "1");
        Type(dialog, "...");
        EXPECT_EQ(fields->FocusedField(), 2);
        Type(dialog, "7.999");
        EXPECT_EQ(address.GetAddress(octets), 4);
        EXPECT_EQ((std::vector<int>{octets[0], octets[1], octets[2], octets[3]}), (std::vector<int>{192, 1, 7, 255}));
        // Backspace at the start of a field goes back to the one before.
        fields->FieldEdit(1)->clear();
        fields->FieldEdit(1)->setFocus();
        Type(dialog, "\b");
        EXPECT_EQ(dialog.focusWidget(), fields->FieldEdit(0));
        EXPECT_EQ(address.GetAddress(octets), 3);
        EXPECT_EQ(octets[1], 0);  // a blank field reads as 0

        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, ListClicksSelectRowsAndReportEvenOnEmptySpace) {
    Probe probe;
    probe.onInit = [&] {
        ListView list(probe.w(), IDC_LIST);
        list.InsertColumn(0, "Device Name", 120);
        list.InsertColumn(1, "IP Address", 90);
        list.SetFullRowSelect();
        EXPECT_EQ(list.InsertItem(5, "beta"), 0);  // past the end: appended
        EXPECT_EQ(list.InsertItem(0, "alpha"), 0);
        const std::string longName(700, 'n');
        list.SetItemText(1, 1, longName);
        EXPECT_EQ(list.ItemText(1, 1), longName);
        EXPECT_EQ(list.ItemText(1, 0), "beta");
        EXPECT_EQ(list.ItemText(7, 0), "");
        EXPECT_EQ(list.ItemCount(), 2);
        EXPECT_EQ(list.SelectionMark(), -1);

        auto* tree = probe.widget<QTreeWidget>(IDC_LIST);
        EXPECT_EQ(tree->headerItem()->text(1), "IP Address");
        EXPECT_EQ(tree->columnWidth(0), 120);
        const QPoint second = tree->visualItemRect(tree->topLevelItem(1)).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, second);
        EXPECT_TRUE(list.IsSelected(1));
        EXPECT_EQ(list.SelectionMark(), 1);
        EXPECT_EQ(list.SelectedRowFromTop(), 1);
        // Empty space below the rows: nothing selected, the mark stays, the click is reported.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(5, tree->viewport()->height() - 3));
        EXPECT_FALSE(list.IsSelected(1));
        EXPECT_EQ(list.SelectionMark(), 1);
        EXPECT_EQ(probe.Count("notify " + std::to_string(IDC_LIST) + "/-2"), 2);
        // A row put in above the mark moves it along.
        list.Select(0);
        list.InsertItem(0, "first");
        EXPECT_EQ(list.SelectionMark(), 1);
        EXPECT_TRUE(list.IsSelected(1));
        EXPECT_EQ(list.TopIndex(), 0);
        list.DeleteAllItems();
        EXPECT_EQ(list.SelectionMark(), -1);
        EXPECT_EQ(list.ItemCount(), 0);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, ButtonsKeysAndTheCloseBoxReachTheDialogItsWay) {
    Probe probe;
    probe.consumeKeys = false;
    int seenBeforePost = -1;
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        auto* plain = probe.widget<QPushButton>(IDC_PLAIN);
        QTest::mouseMove(plain, CentreOf(plain));
        QTest::mouseClick(plain, Qt::LeftButton, {}, CentreOf(plain));
        const std::string clicked = "command " + std::to_string(IDC_PLAIN) + "/0";
        EXPECT_EQ(probe.Count(clicked), 1);
        // The pointer's moves and the button's press were seen before the controls saw them.
        const bool sawMove = std::any_of(probe.input.begin(), probe.input.end(), [](const InputMessage& m) {
            return m.kind == InputMessage::Kind::MouseMove;
        });
        const auto down = std::find_if(probe.input.begin(), probe.input.end(), [](const InputMessage& m) {
            return m.kind == InputMessage::Kind::LeftButtonDown;
        });
        EXPECT_TRUE(sawMove);
        ASSERT_NE(down, probe.input.end());
        const QPoint centre = plain->mapToGlobal(CentreOf(plain));
        EXPECT_EQ(down->screen, (Point{centre.x(), centre.y()}));

        // A posted click comes after the current event; to a button disabled by then, never.
        w.PostClick(IDC_PLAIN);
        seenBeforePost = probe.Count(clicked);
        w.PostClick(IDC_SKINNED);
        w.Enable(IDC_SKINNED, false);
        Soon([&, clicked] {
            EXPECT_EQ(probe.Count(clicked), 2);
            EXPECT_EQ(probe.Count("command " + std::to_string(IDC_SKINNED) + "/0"), 0);
            // Return is the OK command unless the dialog takes the key first; Escape is Cancel.
            probe.consumeKeys = true;
            QTest::keyClick(&probe.qt().widget(), Qt::Key_Return);
            EXPECT_EQ(probe.Count("command 1/0"), 0);
            EXPECT_EQ(probe.input.back().wParam, 13u);
            probe.consumeKeys = false;
            QTest::keyClick(probe.widget<QWidget>(IDC_EDIT), Qt::Key_Return);
            EXPECT_EQ(probe.Count("command 1/0"), 1);  // and OK ends the probe
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    EXPECT_EQ(seenBeforePost, 1);

    // The close box: the close command first, then OnClose, which cancels.
    Probe closing;
    closing.onInit = [&] { closing.qt().widget().close(); };
    EXPECT_EQ(closing.DoModal(), kIdCancel);
    EXPECT_EQ(closing.events, (std::vector<std::string>{"syscommand " + std::to_string(kSysCommandClose), "close"}));
}

// Linux window managers keep their window menu: the program's entries show on a right click on
// the window's background.
TEST_F(QtToolkitTest, SystemMenuEntriesShowOnARightClickOnTheBackground) {
    Probe probe;
    probe.onInit = [&] {
        probe.w().AppendSystemMenuEntry(0x10, "About Vidudi...");
        QWidget& dialog = probe.qt().widget();
        After(50, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            ASSERT_EQ(menu->actions().size(), 2);  // the separator, then the entry
            EXPECT_TRUE(menu->actions()[0]->isSeparator());
            QAction* about = menu->actions()[1];
            EXPECT_EQ(about->text(), "About Vidudi...");
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(about).center());
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(250, 250), dialog.mapToGlobal(QPoint(250, 250)));
        QApplication::sendEvent(&dialog, &click);
        EXPECT_EQ(probe.Count("syscommand 16"), 1);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
}

TEST_F(QtToolkitTest, AnExchangeRunsOnAWorkerWhileTheWindowAnswersDropsInputAndCanBeClosed) {
    Probe probe;
    bool firstOpen = false;
    bool secondOpen = true;
    std::thread::id worker;
    std::atomic<bool> windowAnswered{false};
    std::string statusDuring;
    bool waitCursor = false;
    probe.onInit = [&] {
        DialogWindow& w = probe.w();
        w.SetStatusControl(IDC_LABEL);
        auto* plain = probe.widget<QPushButton>(IDC_PLAIN);
        // On the window's thread while the work runs: timers fire, the status shows, and a
        // click, a posted click and Escape are dropped, none kept for later.
        After(50, [&, plain] {
            windowAnswered = true;
            statusDuring = probe.w().Text(IDC_LABEL);
            waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QTest::mouseClick(plain, Qt::LeftButton, {}, CentreOf(plain));
            probe.w().PostClick(IDC_PLAIN);
            QTest::keyClick(probe.widget<QWidget>(IDC_EDIT), Qt::Key_Escape);
        });
        firstOpen = w.RunExchange("Talking to the device...", [&] {
            worker = std::this_thread::get_id();
            for (int waited = 0; !windowAnswered && waited < 5000; waited += 5) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        });
        EXPECT_EQ(w.Text(IDC_LABEL), "");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        // The close box in the middle of one: the work is told to give up, then OnClose.
        After(20, [&] { probe.qt().widget().close(); });
        secondOpen = w.RunExchange("Waiting...", [&] {
            for (int waited = 0; !probe.abandoned && waited < 5000; waited += 5) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    };
    EXPECT_EQ(probe.DoModal(), kIdCancel);
    EXPECT_TRUE(firstOpen);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_TRUE(windowAnswered);
    EXPECT_EQ(statusDuring, "Talking to the device...");
    EXPECT_TRUE(waitCursor);
    EXPECT_EQ(probe.Count("command " + std::to_string(IDC_PLAIN) + "/0"), 0);
    EXPECT_EQ(probe.Count("command 2/0"), 0);
    EXPECT_FALSE(secondOpen);
    const auto abandon = std::find(probe.events.begin(), probe.events.end(), "abandon");
    const auto close = std::find(probe.events.begin(), probe.events.end(), "close");
    ASSERT_NE(abandon, probe.events.end());
    ASSERT_NE(close, probe.events.end());
    EXPECT_LT(abandon, close);
    EXPECT_EQ(probe.Count("close"), 1);
}

TEST_F(QtToolkitTest, MessageBoxesAreModalToTheWindowWithTheirTextCaptionAndIcon) {
    Probe probe;
    struct Seen {
        QString text, caption;
        QMessageBox::Icon icon;
        bool parented;
    };
    std::vector<Seen> seen;
    probe.onInit = [&] {
        const auto answer = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back({box->text(), box->windowTitle(), box->icon(), box->parentWidget() == &probe.qt().widget()});
            box->button(QMessageBox::Ok)->click();
        };
        After(10, answer);
        EXPECT_EQ(probe.w().MessageBox("Failed to map drive.", "Error", MessageIcon::Error), kIdOk);
        After(10, answer);
        probe.w().MessageBox("Please select a device to configure.", "Warning", MessageIcon::Warning);
        After(10, answer);
        probe.w().MessageBox("Successfully mapped drive.", "Confirm", MessageIcon::Information);
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "Failed to map drive.");
    EXPECT_EQ(seen[0].caption, "Error");
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[1].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[2].caption, "Confirm");
    EXPECT_EQ(seen[2].icon, QMessageBox::Information);
    EXPECT_TRUE(seen[0].parented && seen[1].parented && seen[2].parented);
}

TEST_F(QtToolkitTest, PicturesAreDrawnOrTellWhyNot) {
    const std::string red = TempPath("vidudi_probe_red.bmp");
    const std::string green = TempPath("vidudi_probe_green.bmp");
    const std::string text = TempPath("vidudi_probe_text.bmp");
    const std::string missing = TempPath("vidudi_probe_missing.bmp");
    const std::string empty = TempPath("vidudi_probe_empty.bmp");
    WriteSolidBitmap(red, Qt::red);
    WriteSolidBitmap(green, Qt::green);
    std::ofstream(text) << "this is not a picture, only some words in a file";
    std::ofstream{empty};

    Probe probe;
    std::vector<PictureOutcome> outcomes;
    probe.onPaint = [&](PaintContext& paint) {
        outcomes = {paint.DrawPictureFile(missing), paint.DrawPictureFile(empty), paint.DrawPictureFile(text),
                    paint.DrawPictureFile(red)};
    };
    probe.onInit = [&] {
        QWidget& dialog = probe.qt().widget();
        const QImage shot = dialog.grab().toImage();
        EXPECT_EQ(outcomes, (std::vector<PictureOutcome>{PictureOutcome::CannotOpen, PictureOutcome::EmptyFile,
                                                         PictureOutcome::CannotLoad, PictureOutcome::Drawn}));
        // The 8 x 8 picture is stretched over the whole client area.
        EXPECT_EQ(shot.pixelColor(2, dialog.height() - 3), QColor(Qt::red));
        EXPECT_EQ(shot.pixelColor(dialog.width() / 2, dialog.height() / 2), QColor(Qt::red));

        // A label's brush fills it.
        auto* label = probe.widget<QWidget>(IDC_LABEL);
        EXPECT_EQ(PixelOf(label, label->width() - 2, label->height() - 2), QColor(Qt::blue));

        auto* skinned = probe.widget<QWidget>(IDC_SKINNED);
        EXPECT_FALSE(probe.w().DrawBitmapFile(IDC_SKINNED, missing));
        EXPECT_FALSE(probe.w().DrawBitmapFile(IDC_SKINNED, text));
        EXPECT_TRUE(probe.w().DrawBitmapFile(IDC_SKINNED, green));
        EXPECT_EQ(PixelOf(skinned, 1, 1), QColor(Qt::green));
        // Unstretched: past the 8 x 8 image the background shows.
        EXPECT_EQ(PixelOf(skinned, 12, 12), QColor(Qt::red));
        probe.EndDialog(kIdOk);
    };
    EXPECT_EQ(probe.DoModal(), kIdOk);
    for (const auto& path : {red, green, text, empty}) std::remove(path.c_str());
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
        const QImage drawn = main.widget<QWidget>(IDC_MOUNT)->grab().toImage();
        EXPECT_EQ(drawn.pixelColor(face.width() / 2, face.height() / 2), face.pixelColor(face.width() / 2, face.height() / 2));
        w.SetIcon(IDR_MAINFRAME);
        EXPECT_FALSE(main.qt().widget().windowIcon().isNull());
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
