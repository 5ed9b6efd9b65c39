#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_registry;

// One connection to a Wayland compositor, of this device's own (the
// program's windows have theirs), with the globals the compositor offers.
class WaylandClient
{
public:
    struct Global
    {
        std::string interface;
        std::uint32_t name = 0;
        std::uint32_t version = 0;
    };

    // Null when no compositor answers. displayName as for wl_display_connect.
    static std::unique_ptr<WaylandClient> connect(const char *displayName);
    ~WaylandClient();

    bool offers(const wl_interface &interface) const;
    // Binds the first global of interface at no more than version; null if
    // the compositor has none.
    void *bind(const wl_interface &interface, std::uint32_t version);
    // Sends what is queued and waits until the compositor has handled it.
    // False once the compositor has ended the connection with an error.
    bool roundTrip();
    // Sends what is queued. False once the connection has failed.
    bool flush();
    bool healthy() const;
    wl_display *display() const { return connection; }

    std::vector<Global> globals;

private:
    WaylandClient() = default;

    wl_display *connection = nullptr;
    wl_registry *registry = nullptr;
};
