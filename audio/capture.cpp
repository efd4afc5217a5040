#include "audio/capture.h"

namespace kv {

int CaptureDevice::startSending(int codec, int /*bufferMs*/) {
    ++starts;
    if (codec != 0 && codec != 1) return -1;
    if (!source) return -1;
    encoderCodec = codec;
    sending = true;
    return 0;
}

int CaptureDevice::readEncodedFrame(uint8_t* out) {
    if (!sending) return -3;
    return source(out);
}

int CaptureDevice::stopSending() {
    sending = false;
    return 0;
}

}  // namespace kv
