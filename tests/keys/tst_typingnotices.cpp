#include "typingnotices.h"

#include <QtTest>

Q_DECLARE_METATYPE(KeyboardReach)

class TypingNoticesTest : public QObject
{
    Q_OBJECT

private slots:
    void reachNoticeText_data();
    void reachNoticeText();
    void reachToldOnceAtStart();
};

void TypingNoticesTest::reachNoticeText_data()
{
    QTest::addColumn<KeyboardReach>("reach");
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("contains");
    QTest::addColumn<QStringList>("lacks");
    const QString xwayland = QStringLiteral("only into programs running through XWayland");
    const QString native = QStringLiteral("Native Wayland applications will not receive the text");
    const QString portal = QStringLiteral("GNOME offers ordinary programs no keyboard route except its "
                                          "remote-desktop portal");
    const QString plasma = QStringLiteral("\"Plasma (X11)\" session");
    QTest::newRow("focused window") << KeyboardReach::FocusedWindow << "GNOME" << QStringList() << QStringList();
    QTest::newRow("XWayland, KDE") << KeyboardReach::XWaylandWindows << "KDE" << QStringList{xwayland, native, plasma}
                                   << QStringList{portal};
    QTest::newRow("XWayland, no desktop named") << KeyboardReach::XWaylandWindows << "" << QStringList{xwayland}
                                                << QStringList{portal, plasma};
    QTest::newRow("XWayland, GNOME") << KeyboardReach::XWaylandWindows << "GNOME"
                                     << QStringList{xwayland, native, portal} << QStringList{plasma};
    QTest::newRow("XWayland, ubuntu:GNOME") << KeyboardReach::XWaylandWindows << "ubuntu:GNOME"
                                            << QStringList{portal} << QStringList();
    QTest::newRow("XWayland, lower-case gnome") << KeyboardReach::XWaylandWindows << "gnome" << QStringList{portal}
                                                << QStringList();
    QTest::newRow("XWayland, a name that only starts with GNOME")
        << KeyboardReach::XWaylandWindows << "GNOME-Flashback" << QStringList{xwayland} << QStringList{portal};
    QTest::newRow("nowhere") << KeyboardReach::Nowhere << ""
                             << QStringList{"Nothing will be typed", "no virtual keyboard", "no X display", "XTest",
                                                         "only written to the log"}
                             << QStringList();
}

void TypingNoticesTest::reachNoticeText()
{
    QFETCH(KeyboardReach, reach);
    QFETCH(QString, desktop);
    QFETCH(QStringList, contains);
    QFETCH(QStringList, lacks);
    const QString text = reachNotice(reach, desktop);
    QCOMPARE(text.isEmpty(), contains.isEmpty());
    for (const QString &part : contains)
        QVERIFY2(text.contains(part), qPrintable(text));
    for (const QString &part : lacks)
        QVERIFY2(!text.contains(part), qPrintable(text));
}

// The reach is told on the status line as long as it holds, in a message
// once. (The main window's tests go through the other notices.)
void TypingNoticesTest::reachToldOnceAtStart()
{
    TypingNotices focused(KeyboardReach::FocusedWindow, QString());
    const TypingNotice quiet = focused.atStart();
    QVERIFY(quiet.status.isEmpty() && quiet.message.isEmpty());

    TypingNotices notices(KeyboardReach::XWaylandWindows, QStringLiteral("GNOME"));
    const QString reach = reachNotice(KeyboardReach::XWaylandWindows, QStringLiteral("GNOME"));
    const TypingNotice start = notices.atStart();
    QCOMPARE(start.status, reach);
    QCOMPARE(start.message, reach);
    TypingNotice held;
    QVERIFY(!notices.holdsBack(false, &held));
    const TypingNotice typed = notices.afterTyping(0);
    QCOMPARE(typed.status, reach);
    QVERIFY(typed.message.isEmpty());
}

QTEST_GUILESS_MAIN(TypingNoticesTest)
#include "tst_typingnotices.moc"
