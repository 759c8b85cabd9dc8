#include "Mixer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <string>

namespace lectern::audio {

namespace {

QString serverFailure() {
    return QStringLiteral("No sound server answered.");
}

// One connection for one command, driven by its own blocking main loop.
class Connection {
public:
    Connection() {
        m_loop = pa_mainloop_new();
        if (!m_loop)
            throw MixerUnavailable(serverFailure());
        m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Lectern mixer");
        if (!m_context ||
            pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            release();
            throw MixerUnavailable(serverFailure());
        }
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY)
                break;
            if (!PA_CONTEXT_IS_GOOD(state) || pa_mainloop_iterate(m_loop, 1, nullptr) < 0) {
                release();
                throw MixerUnavailable(serverFailure());
            }
        }
    }
    ~Connection() { release(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    pa_context* context() const { return m_context; }

    // Runs the loop until the operation is over; false when the server went.
    bool wait(pa_operation* op) {
        if (!op)
            return false;
        bool ok = true;
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
            if (pa_mainloop_iterate(m_loop, 1, nullptr) < 0 ||
                !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context))) {
                ok = false;
                break;
            }
        }
        // Its callback writes into the caller's frame, which is gone once we
        // return; a later wait on this connection must not run it.
        if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_operation_cancel(op);
        pa_operation_unref(op);
        return ok;
    }

    struct Sink {
        std::string name;
        pa_cvolume volume{};
        bool muted = false;
    };

    // The default sink, or nullopt when the server has none.
    std::optional<Sink> defaultSink() {
        std::string name;
        wait(pa_context_get_server_info(
            m_context,
            [](pa_context*, const pa_server_info* info, void* data) {
                if (info && info->default_sink_name)
                    *static_cast<std::string*>(data) = info->default_sink_name;
            },
            &name));
        if (name.empty())
            return std::nullopt;
        std::optional<Sink> sink;
        wait(pa_context_get_sink_info_by_name(
            m_context, name.c_str(),
            [](pa_context*, const pa_sink_info* info, int eol, void* data) {
                if (eol || !info)
                    return;
                auto& out = *static_cast<std::optional<Sink>*>(data);
                out = Sink{info->name, info->volume, info->mute != 0};
            },
            &sink));
        return sink;
    }

    bool succeeded(pa_operation* op) {
        m_success = false;
        return wait(op) && m_success;
    }
    static void onSuccess(pa_context*, int success, void* data) {
        static_cast<Connection*>(data)->m_success = success != 0;
    }

private:
    void release() {
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
        if (m_loop) {
            pa_mainloop_free(m_loop);
            m_loop = nullptr;
        }
    }

    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    bool m_success = false;
};

} // namespace

uint32_t PulseMixer::toPulse(uint32_t volume) {
    volume = std::min(volume, MixerVolumeMax);
    return uint32_t((uint64_t(volume) * PA_VOLUME_NORM + MixerVolumeMax / 2) / MixerVolumeMax);
}

uint32_t PulseMixer::fromPulse(uint32_t pulseVolume) {
    pulseVolume = std::min<uint32_t>(pulseVolume, PA_VOLUME_NORM);
    return uint32_t((uint64_t(pulseVolume) * MixerVolumeMax + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

std::optional<uint32_t> PulseMixer::volume() {
    Connection connection;
    const auto sink = connection.defaultSink();
    if (!sink)
        return std::nullopt;
    // The loudest channel, as the slider moves all channels together.
    return fromPulse(pa_cvolume_max(&sink->volume));
}

bool PulseMixer::setVolume(uint32_t volume) {
    Connection connection;
    const auto sink = connection.defaultSink();
    if (!sink)
        return false;
    pa_cvolume all;
    pa_cvolume_set(&all, sink->volume.channels, toPulse(volume));
    return connection.succeeded(pa_context_set_sink_volume_by_name(
        connection.context(), sink->name.c_str(), &all, &Connection::onSuccess, &connection));
}

std::optional<bool> PulseMixer::muted() {
    Connection connection;
    const auto sink = connection.defaultSink();
    if (!sink)
        return std::nullopt;
    return sink->muted;
}

bool PulseMixer::setMuted(bool muted) {
    Connection connection;
    const auto sink = connection.defaultSink();
    if (!sink)
        return false;
    return connection.succeeded(
        pa_context_set_sink_mute_by_name(connection.context(), sink->name.c_str(), muted ? 1 : 0,
                                         &Connection::onSuccess, &connection));
}

} // namespace lectern::audio
