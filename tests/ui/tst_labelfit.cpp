// Every label, button and group-box title of the three windows shows its
// whole text at its designed geometry, in the application font as Quillon
// sets it: measured with the widget's own font metrics against the part of
// the widget that the style leaves for text and that no widget created after
// it covers. Iterates the widgets, so labels added to a form are checked too.
#include "applicationfont.h"
#include "msgbox.h"
#include "noticewindow.h"
#include "openfailure.h"
#include "recordingkeyboard.h"
#include "typingnotices.h"
#include "widget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The longest message of the design, and the longest of the program's own.
const QString kLongestMessage = QStringLiteral("Please close the serial port and refresh again!");
QString longestOpenFailure() { return openFailureMessage(OpenFailure::NoPermission, QStringLiteral("dialout")); }
QString lostCharactersMessage()
{
    TypingNotices notices(KeyboardReach::FocusedWindow, {});
    return notices.afterTyping(1).message;
}
QString longestReachNotice() { return reachNotice(KeyboardReach::XWaylandWindows, QStringLiteral("GNOME")); }

// The pixels that one line of text inks when it is drawn aligned in the room
// given: the line box is placed as Qt places it, the ink found from the
// glyphs' outlines around the baseline.
QRect inkRect(const QFontMetrics &metrics, const QString &text, Qt::Alignment alignment, const QRect &room)
{
    const QSize line(metrics.horizontalAdvance(text), metrics.height());
    const QRect box = QStyle::alignedRect(Qt::LeftToRight, alignment, line, room);
    return metrics.tightBoundingRect(text).translated(box.left(), box.top() + metrics.ascent());
}

// Where the text goes, in the widget's own coordinates, or an empty rectangle
// when the widget shows no text.
QRect labelTextRect(const QLabel &label)
{
    if (label.text().isEmpty() || label.textFormat() == Qt::RichText)
        return {};
    const QFontMetrics metrics(label.font());
    const int margin = label.margin();
    QRect room = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    if (label.indent() > 0)
        room.adjust(label.indent(), 0, 0, 0);
    const Qt::Alignment alignment = QStyle::visualAlignment(Qt::LeftToRight, label.alignment());
    if (label.wordWrap())
        return metrics.boundingRect(room, int(alignment | Qt::TextWordWrap), label.text());
    return inkRect(metrics, label.text(), alignment, room);
}

// The forms' buttons are push buttons.
QRect buttonTextRect(const QAbstractButton &button, QRect *room)
{
    const QString text = QString(button.text()).remove(QLatin1Char('&'));
    if (text.isEmpty())
        return {};
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    *room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    return inkRect(QFontMetrics(button.font()), text, Qt::AlignCenter, *room);
}

QRect groupTitleRect(const QGroupBox &box)
{
    if (box.title().isEmpty())
        return {};
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.subControls = QStyle::SC_GroupBoxLabel;
    option.textAlignment = box.alignment();
    return box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
}

// The part of the widget that its later siblings (stacked above it) leave
// visible, in the parent's coordinates.
QRegion uncovered(const QWidget &widget)
{
    QRegion region(widget.geometry());
    const QObjectList &siblings = widget.parentWidget()->children();
    for (int i = siblings.indexOf(const_cast<QWidget *>(&widget)) + 1; i < siblings.size(); ++i) {
        const auto *sibling = qobject_cast<const QWidget *>(siblings.at(i));
        if (sibling && sibling->isVisibleTo(widget.parentWidget()) && !sibling->isWindow())
            region -= sibling->geometry();
    }
    return region;
}

QString describe(const QWidget &widget, const QString &text, const QRect &textRect, const QRect &room)
{
    return QStringLiteral("%1 \"%2\" (%3): text needs %4 x %5 at %6,%7, room %8 x %9 at %10,%11")
        .arg(widget.objectName(), text, QString::fromLatin1(widget.metaObject()->className()))
        .arg(textRect.width()).arg(textRect.height()).arg(textRect.x()).arg(textRect.y())
        .arg(room.width()).arg(room.height()).arg(room.x()).arg(room.y());
}

// Checks one widget; returns what is wrong, or nothing.
QString checkWidget(QWidget &widget)
{
    QRect textRect;
    QRect room = widget.rect();
    QString text;
    if (auto *label = qobject_cast<QLabel *>(&widget)) {
        text = label->text();
        textRect = labelTextRect(*label);
        room = label->contentsRect();
    } else if (auto *button = qobject_cast<QAbstractButton *>(&widget)) {
        text = button->text();
        textRect = buttonTextRect(*button, &room);
    } else if (auto *box = qobject_cast<QGroupBox *>(&widget)) {
        text = box->title();
        textRect = groupTitleRect(*box);
    }
    if (textRect.isEmpty())
        return {};
    if (!room.contains(textRect))
        return describe(widget, text, textRect, room);
    const QRegion hidden = QRegion(textRect.translated(widget.pos())) - uncovered(widget);
    if (!hidden.isEmpty())
        return describe(widget, text, textRect, room) +
               QStringLiteral(", covered by a later widget at %1,%2")
                   .arg(hidden.boundingRect().x() - widget.x())
                   .arg(hidden.boundingRect().y() - widget.y());
    return {};
}

ToolsOptions quietOptions(const QTemporaryDir &dir)
{
    ToolsOptions options;
    options.keyboard = std::make_unique<RecordingKeyboard>();
    options.settingsPath = dir.filePath(QStringLiteral("Config.ini"));
    return options;
}

using WindowCheck = std::function<QStringList(const QTemporaryDir &)>;

QStringList checkWindow(QWidget &window)
{
    window.show();
    QStringList problems;
    int checked = 0;
    for (QWidget *child : window.findChildren<QWidget *>()) {
        if (!child->isVisibleTo(&window))
            continue;
        child->ensurePolished();
        const QString problem = checkWidget(*child);
        if (!problem.isEmpty())
            problems << problem;
        ++checked;
    }
    if (checked == 0)
        problems << QStringLiteral("no widgets found");
    return problems;
}

} // namespace

Q_DECLARE_METATYPE(WindowCheck)

class LabelFitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void applicationFontHasSubstitute();
    void textsFit_data();
    void textsFit();
    void statusLineShowsLongTextsElided();

private:
    QTemporaryDir dir;
};

void LabelFitTest::initTestCase()
{
    setApplicationFont();
}

void LabelFitTest::applicationFontHasSubstitute()
{
    const QFontInfo used(QApplication::font());
    const QStringList installed = QFontDatabase().families();
    if (installed.contains(QStringLiteral("Microsoft Yahei"), Qt::CaseInsensitive))
        QSKIP("the design's own font is installed: no substitute needed");
    QVERIFY2(applicationFontSubstitutes().contains(used.family(), Qt::CaseInsensitive),
             qPrintable(QStringLiteral("\"Microsoft Yahei\" is drawn with \"%1\", not a substitute "
                                       "of close metrics (apt-get install fonts-wqy-microhei)")
                            .arg(used.family())));
    QCOMPARE(QApplication::font().family(), QStringLiteral("Microsoft Yahei"));
    QCOMPARE(QApplication::font().pointSize(), 9);
}

void LabelFitTest::textsFit_data()
{
    QTest::addColumn<WindowCheck>("check");
    QTest::newRow("login window") << WindowCheck([](const QTemporaryDir &dir) {
        Widget login(nullptr, quietOptions(dir));
        return checkWindow(login);
    });
    QTest::newRow("main window") << WindowCheck([](const QTemporaryDir &dir) {
        Widget login(nullptr, quietOptions(dir));
        return checkWindow(login.mainWindowForTest());
    });
    for (int type : {MsgBox::Warning, MsgBox::Prompt, MsgBox::Ask}) {
        QTest::newRow(qPrintable(QStringLiteral("message dialog type %1").arg(type)))
            << WindowCheck([type](const QTemporaryDir &) {
                   MsgBox box(type, kLongestMessage);
                   return checkWindow(box);
               });
    }
    QTest::newRow("message dialog, open failure") << WindowCheck([](const QTemporaryDir &) {
        MsgBox box(MsgBox::Warning, longestOpenFailure());
        return checkWindow(box);
    });
    for (const QString &text : {lostCharactersMessage(), longestReachNotice()}) {
        QTest::newRow(qPrintable(QStringLiteral("notice \"%1\"").arg(text.left(20))))
            << WindowCheck([text](const QTemporaryDir &) {
                   NoticeWindow notice;
                   notice.setText(text);
                   return checkWindow(notice);
               });
    }
}

void LabelFitTest::textsFit()
{
    QFETCH(WindowCheck, check);
    const QStringList problems = check(dir);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Both halves of the status line cut a text too long for them short, with
// the whole of it in the tool tip.
void LabelFitTest::statusLineShowsLongTextsElided()
{
    Widget login(nullptr, quietOptions(dir));
    tools &window = login.mainWindowForTest();
    const QString linkText = longestOpenFailure();
    const QString typingText = longestReachNotice();
    window.showLinkStatus(linkText);
    window.showTypingNotice(TypingNotice{typingText, {}});
    const QStringList problems = checkWindow(window);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    for (const auto &[name, text] : {std::pair{"lBdeviceVer", linkText}, std::pair{"lBtypingNotice", typingText}}) {
        auto *label = window.findChild<QLabel *>(QString::fromLatin1(name));
        QVERIFY(label);
        QCOMPARE(label->toolTip(), text.simplified());
        QVERIFY2(label->text().endsWith(QChar(0x2026)), qPrintable(label->text()));
    }
}

QTEST_MAIN(LabelFitTest)
#include "tst_labelfit.moc"
