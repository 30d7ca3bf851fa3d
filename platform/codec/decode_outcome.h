#pragma once
// How one of the backend's own decoders dealt with a file: decoded it, refused it as
// malformed or oversized, or left it to the general reader as a variant it does not cover.
enum class DecodeOutcome { Decoded, Refused, OtherVariant };
