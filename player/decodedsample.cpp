#include "player/decodedsample.h"

#include <algorithm>
#include <cstring>

qint64 DecodedSample::copy(qint16 *out, qint64 frame, qint64 count) const
{
    // A stretched song holds a little more than its head: the frames its body fades in over.
    const qint64 held = body ? std::min(heldFrames(), body->firstFrame()) : heldFrames();
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

void DecodedSample::aim(qint64 frame) const
{
    if (body)
        body->aim(frame);
}

std::shared_ptr<DecodedSample> DecodedSample::copyAt(const std::shared_ptr<const DecodedSample> &source, double rate)
{
    auto copy = std::make_shared<DecodedSample>();
    copy->file = source->file;
    copy->rate = rate;
    copy->source = source;
    // The same sound over a longer or shorter time: the outline and tempo found still hold.
    copy->peaks = source->peaks;
    copy->tempo = source->tempo;
    return copy;
}
