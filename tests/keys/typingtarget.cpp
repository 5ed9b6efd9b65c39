// The window the typing tests type into: one text field that has the
// keyboard focus. It answers line commands on standard input:
//   ready  -> "ready" once the window is active and the field has the focus,
//             else "waiting"
//   clear  -> empties the field, "cleared"
//   text   -> the field's text as hex of its UTF-8
#include <QApplication>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

void reply(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QPlainTextEdit field;
    field.setWindowTitle(QStringLiteral("Typing target"));
    field.resize(640, 480);
    field.show();
    field.activateWindow();
    field.setFocus();

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[256];
        const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            app.quit();
            return;
        }
        pending.append(chunk, static_cast<int>(got));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "ready") {
                if (!field.isActiveWindow()) {
                    field.activateWindow();
                    field.setFocus();
                }
                reply(field.isActiveWindow() && field.hasFocus() ? "ready" : "waiting");
            } else if (command == "clear") {
                field.clear();
                reply("cleared");
            } else if (command == "text") {
                reply(field.toPlainText().toUtf8().toHex());
            }
        }
    });
    return app.exec();
}
