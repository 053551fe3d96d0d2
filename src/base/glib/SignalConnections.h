#pragma once

// The signal connections one object makes to instances that may outlive it: made through the
// guarded helper, and broken together when the object lets go (an instance finalized earlier
// takes its own connections with it).

#include "base/glib/Signals.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace Base::GLib {

class TSignalConnections {
public:
    TSignalConnections() = default;
    TSignalConnections(const TSignalConnections&) = delete;
    TSignalConnections& operator=(const TSignalConnections&) = delete;
    ~TSignalConnections() { DisconnectAll(); }

    // ConnectSignal<Signature>(Instance, Signal, Handler, Flags), remembered. Instance is a GObject.
    template <class Signature, class F>
    void Connect(gpointer Instance, const char* Signal, F&& Handler, GConnectFlags Flags = GConnectFlags(0)) {
        const gulong id = ConnectSignal<Signature>(Instance, Signal, std::forward<F>(Handler), Flags);
        InstanceEntry(G_OBJECT(Instance)).Ids.push_back(id);
    }

    void DisconnectAll() {
        for (const std::unique_ptr<TInstance>& entry : FInstances) {
            if (entry->Object == nullptr) {
                continue; // finalized: its handlers went with it
            }
            for (const gulong id : entry->Ids) {
                g_signal_handler_disconnect(entry->Object, id);
            }
            g_object_remove_weak_pointer(entry->Object, reinterpret_cast<gpointer*>(&entry->Object));
        }
        FInstances.clear();
    }

private:
    struct TInstance {
        GObject* Object; // cleared by GObject when the instance is finalized
        std::vector<gulong> Ids;
    };

    TInstance& InstanceEntry(GObject* Object) {
        const auto it =
            std::find_if(FInstances.begin(), FInstances.end(),
                         [&](const std::unique_ptr<TInstance>& e) { return e->Object == Object; });
        if (it != FInstances.end()) {
            return **it;
        }
        // Held by pointer: GObject keeps the address of the weak pointer.
        auto entry = std::make_unique<TInstance>(TInstance{Object, {}});
        g_object_add_weak_pointer(Object, reinterpret_cast<gpointer*>(&entry->Object));
        FInstances.push_back(std::move(entry));
        return *FInstances.back();
    }

    std::vector<std::unique_ptr<TInstance>> FInstances;
};

} // namespace Base::GLib
