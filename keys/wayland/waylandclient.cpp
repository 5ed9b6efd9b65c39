#include "waylandclient.h"

#include <wayland-client.h>

#include <algorithm>
#include <poll.h>

namespace {

void globalAdded(void *data, wl_registry *, std::uint32_t name, const char *interface, std::uint32_t version)
{
    static_cast<std::vector<WaylandClient::Global> *>(data)->push_back({interface, name, version});
}

void globalRemoved(void *data, wl_registry *, std::uint32_t name)
{
    auto *globals = static_cast<std::vector<WaylandClient::Global> *>(data);
    globals->erase(std::remove_if(globals->begin(), globals->end(),
                                  [name](const WaylandClient::Global &global) { return global.name == name; }),
                   globals->end());
}

const wl_registry_listener kRegistryListener{globalAdded, globalRemoved};

} // namespace

std::unique_ptr<WaylandClient> WaylandClient::connect(const char *displayName)
{
    std::unique_ptr<WaylandClient> client(new WaylandClient);
    client->connection = wl_display_connect(displayName);
    if (!client->connection)
        return nullptr;
    client->registry = wl_display_get_registry(client->connection);
    wl_registry_add_listener(client->registry, &kRegistryListener, &client->globals);
    if (!client->roundTrip())
        return nullptr;
    return client;
}

WaylandClient::~WaylandClient()
{
    if (registry)
        wl_registry_destroy(registry);
    if (connection)
        wl_display_disconnect(connection);
}

bool WaylandClient::offers(const wl_interface &interface) const
{
    return std::any_of(globals.begin(), globals.end(),
                       [&interface](const Global &global) { return global.interface == interface.name; });
}

void *WaylandClient::bind(const wl_interface &interface, std::uint32_t version)
{
    for (const Global &global : globals) {
        if (global.interface == interface.name)
            return wl_registry_bind(registry, global.name, &interface, std::min(version, global.version));
    }
    return nullptr;
}

bool WaylandClient::roundTrip()
{
    return wl_display_roundtrip(connection) >= 0 && healthy();
}

// Also takes in whatever events have arrived, without waiting for any, so
// that the compositor never finds this connection's buffer full. Once the
// connection has failed, events still queued can no longer be dispatched
// and reading can never be prepared: nothing is tried then.
bool WaylandClient::flush()
{
    if (!healthy())
        return false;
    wl_display_flush(connection);
    while (wl_display_prepare_read(connection) != 0) {
        if (wl_display_dispatch_pending(connection) < 0)
            return false;
    }
    pollfd waiting{wl_display_get_fd(connection), POLLIN, 0};
    if (poll(&waiting, 1, 0) > 0)
        wl_display_read_events(connection);
    else
        wl_display_cancel_read(connection);
    wl_display_dispatch_pending(connection);
    return healthy();
}

bool WaylandClient::healthy() const
{
    return wl_display_get_error(connection) == 0;
}
