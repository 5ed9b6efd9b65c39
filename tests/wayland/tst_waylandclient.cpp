// The Wayland keyboard's connection once the compositor has ended it with
// an error. A compositor of the test's own speaks just enough of the wire
// protocol to be connected to, then sends a new global and an error in one
// go: the error is handled first, and the global is left queued behind it.
// Flushing (as the keyboard does before every paced pause) must still come
// back and say that the connection is gone.
#include "waylandclient.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <future>
#include <vector>

namespace {

// The objects and messages of the core protocol that the exchange uses.
constexpr std::uint32_t kDisplayObject = 1;
constexpr std::uint32_t kRegistryObject = 2; // the client's first new id
constexpr std::uint32_t kCallbackObject = 3; // its second: the round trip
constexpr std::uint16_t kDisplayError = 0;
constexpr std::uint16_t kDisplayDeleteId = 1;
constexpr std::uint16_t kRegistryGlobal = 0;
constexpr std::uint16_t kCallbackDone = 0;
// wl_display.get_registry and wl_display.sync, 12 bytes each.
constexpr std::size_t kConnectRequestBytes = 24;
constexpr std::uint32_t kInvalidObjectError = 0;

class Message
{
public:
    Message(std::uint32_t object, std::uint16_t opcode)
        : object(object)
        , opcode(opcode)
    {
    }

    Message &uint(std::uint32_t value)
    {
        arguments.push_back(value);
        return *this;
    }

    Message &string(const char *text)
    {
        const std::size_t length = std::strlen(text) + 1;
        arguments.push_back(static_cast<std::uint32_t>(length));
        std::vector<std::uint32_t> words((length + 3) / 4, 0);
        std::memcpy(words.data(), text, length);
        arguments.insert(arguments.end(), words.begin(), words.end());
        return *this;
    }

    QByteArray bytes() const
    {
        const auto size = static_cast<std::uint32_t>(4 * (2 + arguments.size()));
        std::vector<std::uint32_t> words{object, size << 16 | opcode};
        words.insert(words.end(), arguments.begin(), arguments.end());
        return QByteArray(reinterpret_cast<const char *>(words.data()), int(4 * words.size()));
    }

private:
    std::uint32_t object;
    std::uint16_t opcode;
    std::vector<std::uint32_t> arguments;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    return write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
}

// Takes the client's connection, reads its registry request and round
// trip, and answers the round trip. The connection's descriptor, -1 on
// failure.
int answerConnect(int listening)
{
    const int fd = accept(listening, nullptr, nullptr);
    if (fd < 0)
        return -1;
    char requests[kConnectRequestBytes];
    std::size_t got = 0;
    while (got < sizeof requests) {
        const ssize_t n = read(fd, requests + got, sizeof requests - got);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        got += std::size_t(n);
    }
    if (!writeAll(fd, Message(kCallbackObject, kCallbackDone).uint(0).bytes()
                          + Message(kDisplayObject, kDisplayDeleteId).uint(kCallbackObject).bytes())) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

class WaylandClientTest : public QObject
{
    Q_OBJECT

private slots:
    void flushAfterErrorWithEventsQueued();
};

void WaylandClientTest::flushAfterErrorWithEventsQueued()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("wayland-test")));
    const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(listening >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QVERIFY(std::size_t(path.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    QVERIFY(bind(listening, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(listen(listening, 1) == 0);

    std::future<int> server = std::async(std::launch::async, answerConnect, listening);
    std::unique_ptr<WaylandClient> client = WaylandClient::connect(path.constData());
    const int connection = server.get();
    close(listening);
    QVERIFY(connection >= 0);
    QVERIFY(client);
    QVERIFY(client->healthy());

    QVERIFY(writeAll(connection, Message(kRegistryObject, kRegistryGlobal).uint(1).string("wl_output").uint(1).bytes()
                                     + Message(kDisplayObject, kDisplayError)
                                           .uint(kDisplayObject)
                                           .uint(kInvalidObjectError)
                                           .string("refused")
                                           .bytes()));
    QVERIFY(!client->flush());
    QVERIFY(!client->flush());
    QVERIFY(!client->healthy());
    close(connection);
}

QTEST_GUILESS_MAIN(WaylandClientTest)
#include "tst_waylandclient.moc"
