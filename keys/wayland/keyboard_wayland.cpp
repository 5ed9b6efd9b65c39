#include "keyboard_wayland.h"

#include "blockkeymap.h"
#include "keystreamreader.h"
#include "waylandclient.h"

#include "virtual-keyboard-unstable-v1-client.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

constexpr std::uint32_t kSeatVersion = 1;
constexpr std::uint32_t kVirtualKeyboardVersion = 1;
// A compositor may still be taking a new keymap in when the first key
// arrives, and drops that key: every upload is followed by this pause.
constexpr milliseconds kKeymapSettle{30};
constexpr std::uint32_t kNoModifiers = 0;
constexpr std::uint32_t kFirstGroup = 0;

std::uint32_t timestampMs()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The keymap text in an anonymous file, as the protocol passes keymaps; -1
// if none can be made. The terminating zero is part of the keymap.
int keymapFile(const std::string &text)
{
    const int fd = memfd_create("quillon-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t written = 0;
    while (written <= text.size()) {
        const ssize_t n = write(fd, text.c_str() + written, text.size() + 1 - written);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        written += static_cast<std::size_t>(n);
    }
    return fd;
}

} // namespace

struct WaylandKeyboard::Connection
{
    std::unique_ptr<WaylandClient> client;
    wl_seat *seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *manager = nullptr;
    zwp_virtual_keyboard_v1 *keyboard = nullptr;
    xkb_context *xkb = nullptr;
    BlockKeymap keymap;
    bool keymapSent = false;
    KeyStreamReader reader;
    std::size_t untyped = 0;
    unsigned unreadableCounted = 0;

    ~Connection()
    {
        if (keyboard)
            zwp_virtual_keyboard_v1_destroy(keyboard);
        if (manager)
            zwp_virtual_keyboard_manager_v1_destroy(manager);
        if (seat)
            wl_seat_destroy(seat);
        if (client)
            client->roundTrip();
        if (xkb)
            xkb_context_unref(xkb);
    }

    bool upload()
    {
        keymapSent = false;
        const std::string text = keymap.text(xkb);
        const int fd = text.empty() ? -1 : keymapFile(text);
        if (fd < 0)
            return false;
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(text.size() + 1));
        close(fd);
        zwp_virtual_keyboard_v1_modifiers(keyboard, kNoModifiers, kNoModifiers, kNoModifiers, kFirstGroup);
        keymapSent = client->roundTrip();
        std::this_thread::sleep_for(kKeymapSettle);
        return keymapSent;
    }

    void sendKey(std::uint32_t key, wl_keyboard_key_state state)
    {
        zwp_virtual_keyboard_v1_key(keyboard, timestampMs(), key, state);
    }

    // A character outside the text announced (or typed with no text
    // announced at all) gets the keymap changed on the spot.
    void type(char32_t character)
    {
        std::uint32_t key = keymapSent ? keymap.keyFor(character) : 0;
        if (key == 0 && keysymForCharacter(character) != 0) {
            keymap.cover({character});
            if (upload())
                key = keymap.keyFor(character);
        }
        if (key == 0 || !client->healthy()) {
            ++untyped;
            return;
        }
        sendKey(key, WL_KEYBOARD_KEY_STATE_PRESSED);
        sendKey(key, WL_KEYBOARD_KEY_STATE_RELEASED);
        client->flush();
    }
};

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::open(const char *displayName)
{
    auto connection = std::make_unique<Connection>();
    connection->client = WaylandClient::connect(displayName);
    if (!connection->client || !connection->client->offers(wl_seat_interface)
        || !connection->client->offers(zwp_virtual_keyboard_manager_v1_interface))
        return nullptr;
    connection->seat = static_cast<wl_seat *>(connection->client->bind(wl_seat_interface, kSeatVersion));
    connection->manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
        connection->client->bind(zwp_virtual_keyboard_manager_v1_interface, kVirtualKeyboardVersion));
    connection->keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(connection->manager,
                                                                                   connection->seat);
    // A compositor that keeps virtual keyboards from this program ends the
    // connection with an error here.
    if (!connection->client->roundTrip())
        return nullptr;
    connection->xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!connection->xkb)
        return nullptr;
    return std::unique_ptr<WaylandKeyboard>(new WaylandKeyboard(std::move(connection)));
}

WaylandKeyboard::WaylandKeyboard(std::unique_ptr<Connection> connection)
    : w(std::move(connection))
{
}

WaylandKeyboard::~WaylandKeyboard() = default;

void WaylandKeyboard::beginText(const unsigned char *data, std::size_t length)
{
    std::vector<char32_t> characters;
    for (std::size_t i = 0; i < length; ++i) {
        const char32_t character = typedCharacter(data[i]);
        if (character != KeyStreamReader::kNoCharacter)
            characters.push_back(character);
    }
    if (characters.empty() || (w->keymapSent && w->keymap.holds(characters)))
        return;
    w->keymap.cover(characters);
    w->upload();
}

void WaylandKeyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags)
{
    const char32_t character = w->reader.keyEvent(virtualKey, flags);
    if (character != KeyStreamReader::kNoCharacter)
        w->type(character);
}

bool WaylandKeyboard::capsLockOn()
{
    return w->reader.capsLockOn();
}

// The keypad digits of an Alt code are read here, never pressed: no scan
// code is needed.
std::uint8_t WaylandKeyboard::scanCodeFor(std::uint8_t)
{
    return 0;
}

void WaylandKeyboard::sleepFor(std::chrono::milliseconds duration)
{
    w->client->flush();
    std::this_thread::sleep_for(duration);
}

std::size_t WaylandKeyboard::takeUntypedCount()
{
    const unsigned unreadable = w->reader.unreadableAltCodes();
    const std::size_t count = w->untyped + (unreadable - w->unreadableCounted);
    w->untyped = 0;
    w->unreadableCounted = unreadable;
    return count;
}

KeyboardReach WaylandKeyboard::reach() const
{
    return KeyboardReach::FocusedWindow;
}
