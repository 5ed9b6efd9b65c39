// Holds a virtual pointer open on the compositor's seat until its standard
// input closes. Headless sway has no input devices, so its seat has no
// pointer and its "seat seat0 cursor" commands click nothing; with this
// pointer on the seat they do. Prints "ready" once the pointer is there.
#include "waylandclient.h"

#include "wlr-virtual-pointer-unstable-v1-client.h"

#include <wayland-client.h>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr std::uint32_t kSeatVersion = 1;
constexpr std::uint32_t kManagerVersion = 1;

} // namespace

int main()
{
    std::unique_ptr<WaylandClient> client = WaylandClient::connect(nullptr);
    if (!client) {
        std::fprintf(stderr, "virtual pointer: no compositor to connect to\n");
        return 1;
    }
    auto *seat = static_cast<wl_seat *>(client->bind(wl_seat_interface, kSeatVersion));
    auto *manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
        client->bind(zwlr_virtual_pointer_manager_v1_interface, kManagerVersion));
    if (!seat || !manager) {
        std::fprintf(stderr, "virtual pointer: the compositor offers no virtual pointers\n");
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    if (!client->roundTrip()) {
        std::fprintf(stderr, "virtual pointer: refused by the compositor\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    char ignored[64];
    while (read(STDIN_FILENO, ignored, sizeof ignored) > 0) {
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    wl_seat_destroy(seat);
    client->roundTrip();
    return 0;
}
