#include "audio/resampler.h"

#include <speex/speex_resampler.h>

namespace kv {

Resampler::~Resampler() {
    if (state_) speex_resampler_destroy(state_);
}

bool Resampler::open(int fromRate, int toRate) {
    if (state_) speex_resampler_destroy(state_);
    state_ = nullptr;
    if (fromRate <= 0 || toRate <= 0) return false;
    int err = 0;
    state_ = speex_resampler_init(1, static_cast<spx_uint32_t>(fromRate), static_cast<spx_uint32_t>(toRate), Quality, &err);
    if (state_ && err != RESAMPLER_ERR_SUCCESS) {
        speex_resampler_destroy(state_);
        state_ = nullptr;
    }
    return state_ != nullptr;
}

int Resampler::process(const int16_t* in, int n, int16_t* out, int maxOut) {
    if (!state_ || !in || !out || n <= 0 || maxOut <= 0) return 0;
    spx_uint32_t inLen = static_cast<spx_uint32_t>(n), outLen = static_cast<spx_uint32_t>(maxOut);
    if (speex_resampler_process_int(state_, 0, in, &inLen, out, &outLen) != RESAMPLER_ERR_SUCCESS) return 0;
    return static_cast<int>(outLen);
}

int Resampler::latency() const { return state_ ? speex_resampler_get_output_latency(state_) : 0; }

void Resampler::reset() {
    if (!state_) return;
    speex_resampler_reset_mem(state_);
}

}  // namespace kv
