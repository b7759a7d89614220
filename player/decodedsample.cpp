#include "player/decodedsample.h"

#include <algorithm>
#include <cstring>

qint64 DecodedSample::copy(qint16 *out, qint64 frame, qint64 count) const
{
    const qint64 held = heldFrames();
    qint64 done = 0;
    if (frame < held) {
        done = std::min(count, held - frame);
        std::memcpy(out, samples.data() + frame * PcmFormat::kChannels,
            size_t(done) * PcmFormat::kChannels * sizeof(qint16));
        if (body)
            body->follow(frame + done);
    }
    if (done < count && body)
        done += body->copy(out + done * PcmFormat::kChannels, frame + done, count - done);
    return done;
}

void DecodedSample::prepare(qint64 frame) const
{
    if (body)
        body->prepare(frame);
}
