#pragma once
// Result codes of the peer session and voice services. Every operation returns one of
// these 32-bit values; 0 is success. The values the callers test for are fixed; the
// ones marked "ours" were chosen for this service and only need to stay distinct.

#include <QString>

namespace tv::peer {

using Result = quint32;

inline constexpr Result kOk = 0;
// The operation was started and completes later through a callback.
inline constexpr Result kPending = 0x8000000A;

inline constexpr Result DPNERR_GENERIC = 0x80000008;
inline constexpr Result DPNERR_INVALIDPARAM = 0x80070057;
inline constexpr Result DPNERR_OUTOFMEMORY = 0x8007000E;
inline constexpr Result DPNERR_HOSTREJECTEDCONNECTION = 0x80158260;
inline constexpr Result DPNERR_HOSTTERMINATEDSESSION = 0x80158270;
inline constexpr Result DPNERR_INVALIDOBJECT = 0x80158400;
inline constexpr Result DPNERR_INVALIDPASSWORD = 0x80158410;
inline constexpr Result DPNERR_INVALIDPLAYER = 0x80158420;
inline constexpr Result DPNERR_INVALIDURL = 0x80158450;
inline constexpr Result DPNERR_NOTHOST = 0x80158530;
inline constexpr Result DPNERR_SESSIONFULL = 0x80158610;
inline constexpr Result DPNERR_UNINITIALIZED = 0x80158640;
// Ours.
inline constexpr Result DPNERR_NOCONNECTION = 0x80158A01;
inline constexpr Result DPNERR_CONNECTIONLOST = 0x80158A02;
inline constexpr Result DPNERR_SENDTOOLARGE = 0x80158A03;
inline constexpr Result DPNERR_INVALIDGROUP = 0x80158A04;
inline constexpr Result DPNERR_PLAYERALREADYINGROUP = 0x80158A05;
inline constexpr Result DPNERR_PLAYERNOTINGROUP = 0x80158A06;
inline constexpr Result DPNERR_INVALIDHANDLE = 0x80158A07;
inline constexpr Result DPNERR_ALREADYCONNECTED = 0x80158A08;
inline constexpr Result DPNERR_INVALIDHOSTADDRESS = 0x80158A09;
inline constexpr Result DPNERR_INVALIDDEVICEADDRESS = 0x80158A0A;
inline constexpr Result DPNERR_USERCANCEL = 0x80158A0B;

inline constexpr Result DVERR_RUNSETUP = 0x80150183;
// Ours.
inline constexpr Result DVERR_NOTINITIALIZED = 0x80150A01;
inline constexpr Result DVERR_NOTCONNECTED = 0x80150A02;
inline constexpr Result DVERR_ALREADYCONNECTED = 0x80150A03;
inline constexpr Result DVERR_INVALIDTARGET = 0x80150A04;
inline constexpr Result DVERR_NOVOICESESSION = 0x80150A05;
inline constexpr Result DVERR_COMPRESSIONNOTSUPPORTED = 0x80150A06;
inline constexpr Result DVERR_NOTHOST = 0x80150A07;
inline constexpr Result DVERR_SESSIONLOST = 0x80150A08;
// A sound device could not be opened or used.
inline constexpr Result DVERR_RECORDSYSTEMERROR = 0x80150A09;
inline constexpr Result DVERR_PLAYBACKSYSTEMERROR = 0x80150A0A;
inline constexpr Result DVERR_INVALIDPARAM = DPNERR_INVALIDPARAM;

// The symbolic name ("DPNERR_SESSIONFULL"); "0x..." for a code this service does not
// know.
QString resultName(Result code);

// A one-line Japanese explanation for the user.
QString resultDescription(Result code);

// "0x" and upper-case hexadecimal without leading zeros: 0x80158610, 0x0.
QString formatResult(Result code);

}  // namespace tv::peer
