#pragma once
// The ten input protocols of a stored result: the run summary and one protocol per kind of
// input (wagon groups, gradients, curves, switches, rolling and air resistance, retarders,
// retarder types, effect zones), as rich text in Tahoma 8 pt with tabbed tables. Positions
// are written as track abscissae (the model's shifted positions + Xnull).

#include <array>
#include <string>

#include "base/rtf.h"
#include "engine/result_storage.h"

namespace gvm::engine {

inline constexpr int kProtokolle = 10;

// The memo field of ResVstup that holds each protocol, in protocol order.
inline constexpr std::array<const char*, kProtokolle> kProtokollFelder = {
    "resAlg",  "resWagGr", "resNeig",  "resBogen",   "resWeich",
    "resRoll", "resLuft",  "resBrems", "resBremBau", "resWirk"};

// What a protocol documents, as the result views name it ("Gesamtausgabe", "Wagengruppe", ...).
const char* ProtocolTitle(int which);

// Protocol `which` (0..9) as a document; explanations are always written.
TRichText BuildProtocol(const TStoreInput& in, int which);

// The ten protocols as RTF, one per memo field.
std::array<std::string, kProtokolle> BuildProtocols(const TStoreInput& in);

}  // namespace gvm::engine
