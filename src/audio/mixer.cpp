#include "audio/mixer.h"

#include <cmath>
#include <new>

#include "audio/soft_tanh.h"
#include "world/fmath.h"
#include "world/geometry.h"

namespace {

constexpr float LIMITER_DRIVE = 0.7f;

struct Gains {
    float left;
    float right;
};

// Equal power: both sides at cos(π/4) in the middle.
Gains pan_gains(float pan) {
    const float clamped = std::fmin(std::fmax(pan, -1.0f), 1.0f);
    const float phi = (clamped + 1.0f) * (PI / 4.0f);
    Gains g;
    fsincos(phi, g.right, g.left);
    return g;
}

// Linear interpolation; past the last sample it leans toward the first, so
// a loop reads seamlessly. 0 outside the sound.
float sample_at(const float* s, uint32_t count, float position) {
    if (!(position >= 0.0f) || position >= static_cast<float>(count)) return 0.0f;
    const uint32_t i = static_cast<uint32_t>(position);  // the floor, as position >= 0
    const float next = i + 1 == count ? s[0] : s[i + 1];
    return s[i] + (next - s[i]) * (position - static_cast<float>(i));
}

// A full table gives the quietest voice (the first of equals) to a louder cue.
void start_voice(AudioState& a, const Cue& cue) {
    if (cue.sound >= SOUND_COUNT) return;
    const SoundView& sound = a.sounds[cue.sound];
    const Voice voice{sound.samples, sound.count, 0.0f, cue.volume, cue.pan};
    if (a.voice_count < MAX_VOICES) {
        a.voices[a.voice_count++] = voice;
        return;
    }
    int quietest = 0;
    for (int i = 1; i < MAX_VOICES; ++i) {
        if (a.voices[i].volume < a.voices[quietest].volume) quietest = i;
    }
    if (cue.volume > a.voices[quietest].volume) a.voices[quietest] = voice;
}

// Mixes one voice; false once it has played to its end.
bool mix_voice(Voice& v, float step, float* out, int frames) {
    const Gains g = pan_gains(v.pan);
    const float end = static_cast<float>(v.count);
    for (int f = 0; f < frames; ++f) {
        if (v.position >= end) return false;
        const float s = v.volume * sample_at(v.samples, v.count, v.position);
        out[2 * f] += s * g.left;
        out[2 * f + 1] += s * g.right;
        v.position += step;
    }
    return v.position < end;
}

void mix_voices(AudioState& a, float* out, int frames) {
    int i = 0;
    while (i < a.voice_count) {
        if (mix_voice(a.voices[i], a.step, out, frames)) {
            ++i;
        } else {
            a.voices[i] = a.voices[--a.voice_count];  // the moved voice is mixed next
        }
    }
}

void mix_engine(EngineLoop& e, const SoundView& loop, float step, float* out, int frames) {
    const float target = e.target_volume.load(std::memory_order_relaxed);
    if (target == 0.0f && e.volume < ENGINE_SILENT) {
        e.volume = 0.0f;
        return;
    }
    e.pan = e.target_pan.load(std::memory_order_relaxed);
    const Gains g = pan_gains(e.pan);
    const float length = static_cast<float>(loop.count);
    for (int f = 0; f < frames; ++f) {
        e.volume += (target - e.volume) * ENGINE_SMOOTHING;
        const float s = e.volume * sample_at(loop.samples, loop.count, e.position);
        out[2 * f] += s * g.left;
        out[2 * f + 1] += s * g.right;
        e.position += step;
        if (e.position >= length) e.position -= length;
    }
}

// A soft limiter, then the volume setting.
void finish(float* out, int frames, float master) {
    for (int i = 0; i < frames * AUDIO_CHANNELS; ++i) out[i] = master * ftanh(LIMITER_DRIVE * out[i]);
}

}  // namespace

AudioState* new_audio_state() {
    AudioState* a = new (std::nothrow) AudioState;
    if (!a) return nullptr;
    synthesize_sounds(a->bank);
    for (int k = 0; k < SOUND_COUNT; ++k) a->sounds[k] = sound_view(a->bank, k);
    for (int k = 0; k < ENGINE_COUNT; ++k) a->engines[k].position = static_cast<float>(k) * ENGINE_PHASE_SPACING;
    return a;
}

void delete_audio_state(AudioState* audio) { delete audio; }

void play_cue(AudioState& audio, float volume, float pan, uint8_t sound) {
    if (!(volume > MIN_CUE_VOLUME) || !std::isfinite(volume) || sound >= SOUND_COUNT) return;
    post_cue(audio.cues, Cue{volume, pan, sound});
}

// A target that is not a number is dropped: the glide toward it would make
// the engine's volume, and every sample after, NaN for good.
void set_engine(AudioState& audio, int engine, float volume, float pan) {
    if (engine < 0 || engine >= ENGINE_COUNT) return;
    if (std::isfinite(volume)) audio.engines[engine].target_volume.store(volume, std::memory_order_relaxed);
    if (std::isfinite(pan)) audio.engines[engine].target_pan.store(pan, std::memory_order_relaxed);
}

void mix_frames(AudioState& audio, float* out, int frames) {
    if (frames <= 0) return;
    take_cues(audio.cues, [&audio](const Cue& cue) { start_voice(audio, cue); });
    for (int i = 0; i < frames * AUDIO_CHANNELS; ++i) out[i] = 0.0f;
    mix_voices(audio, out, frames);
    for (EngineLoop& e : audio.engines) mix_engine(e, audio.sounds[SOUND_ENGINE], audio.step, out, frames);
    finish(out, frames, audio.master_volume.load(std::memory_order_relaxed));
}

void audio_callback(AudioState& audio, int requested_bytes, AudioSink sink, void* context) {
    int remaining = requested_bytes;
    while (remaining > 0) {
        int frames = remaining / FRAME_BYTES + (remaining % FRAME_BYTES != 0 ? 1 : 0);
        if (frames > MIX_FRAMES) frames = MIX_FRAMES;
        mix_frames(audio, audio.mix, frames);
        if (!sink(context, audio.mix, frames * FRAME_BYTES)) return;
        remaining -= frames * FRAME_BYTES;
    }
}
