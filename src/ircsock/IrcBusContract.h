#pragma once
// The names under which TvIRC serves its clsIRC objects on the D-Bus session bus.
// Scripts and the main program rely on them; they do not change.
//
//   service  TvIRC.clsIRC
//   /TvIRC              TvIRC.Factory   CreateObject() -> o
//   /TvIRC/clsIRC/N     TvIRC.clsIRC    ircGetData() -> s, ircSendData(s strTxt),
//                                       ircQuickSend(s strTxt), IsThereRxMessage (b, read),
//                                       IsActive (b, read), GetLocalIP (s, read), ircClose(),
//                                       DoConnect(s strIP, s strPORT), ircPONG(), Release();
//                       signals         ircConnected(s strLIP, s strSIP), ircConnectTimeOut(),
//                                       ircClose(), ircDataArrival(), ircPING(), ircSysMsg(v
//                                       strMsg)
//
// An object answers only the connection that created it and sends its signals to that
// connection alone.

namespace tv::ircsock {

inline constexpr char kBusService[] = "TvIRC.clsIRC";
inline constexpr char kFactoryPath[] = "/TvIRC";
inline constexpr char kFactoryInterface[] = "TvIRC.Factory";
inline constexpr char kObjectFolder[] = "/TvIRC/clsIRC";
inline constexpr char kObjectInterface[] = "TvIRC.clsIRC";

}  // namespace tv::ircsock
