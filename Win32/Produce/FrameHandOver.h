#pragma once
// The producer's frame hand-over (CProducer::PassToWriter and the DV copy
// ranges, in FrameHandOver.cpp). Every output frame goes to the writer in
// four steps:
//  - mix: the frame's own sound and the audio clips' become one block of
//    the writer's format; the clips fade in over the first frames and
//    every sound fades out over the last second;
//  - progress: the display shows the count and the frame's picture (a copy
//    sign, now and then, for copied DV frames);
//  - placement: in a DV production the frame is placed against the
//    writer's ranges of frames copied unchanged (PlaceFrame below);
//  - write: the writer's result becomes a production result
//    (CProducer::MapWriterCode).
// A low disk or the user's cancel stops the hand-over before the mix, and
// a cancel again before the placement. The frame stays the caller's.
//
// Threads: as the producer's, the UI thread alone, under no lock.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Media/MediaSource.h"

// Where a frame goes against the copy ranges.
struct FramePlacement {
    enum Kind {
        // Written where it stands.
        kInPlace,
        // A re-encoded frame past the middle of a copy range: the last
        // copied frame is repeated up to the range's end, and then the
        // frame is written.
        kAfterRepeats,
        // A re-encoded frame in the first half of a copy range, not at its
        // start: only its sound is written.
        kEncodedInACopyRange,
        // A copied frame that no copy range holds nor starts in: only its
        // sound is written.
        kCopiedOutsideTheRanges,
    };
    Kind kind = kInPlace;
    // With kAfterRepeats: the range's end, in 100 ns units.
    LONGLONG repeatUntil = 0;
};

// The placement of the frame from `start` to `next` (production time,
// 100 ns units) among `ranges` (in order), for a copied DV frame when
// `copied` is set and a re-encoded one otherwise.
FramePlacement PlaceFrame(const CSmartRangeList& ranges, LONGLONG start, LONGLONG next, bool copied);
