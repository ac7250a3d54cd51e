#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>

#include "remote/RemoteTarget.h"

// The text protocol of Hamlib's rigctld daemon (the "NET rigctl" model of
// Hamlib clients): one command per line, a short form ("F 145000000") or a
// long form after a backslash ("\set_freq 145000000"), answered with the
// values asked for or "RPRT <code>". A "+" before a command asks for the
// extended answer (a header line, labelled values and always "RPRT"); ";",
// "|" or "," do the same with that character between the parts.
//
// Parsing and answering take text and a Target, never a socket.
namespace rigctl {

// One command of a line, ready to run.
struct Command {
  int kind = -1;       // index into the command table; -1 for an unknown command
  char separator = 0;  // 0 for the plain answer, else the extended answer's separator
  QByteArray word;     // the command as written, for an unknown one
  QList<QByteArray> arguments;
  bool missingArguments = false;
};

// Splits a line (without its line end) into its commands. Several short
// commands may follow each other on one line, each with its arguments. A
// command that lacks arguments ends the line. An empty line gives none.
QList<Command> ParseLine(QByteArrayView line);

// Receives a command's answer; quit is set when the client asked to end the
// conversation.
using Answer = std::function<void(const QByteArray& reply, bool quit)>;

// Runs a command against the target and hands its answer over: at once for
// what is read, once the radio's link has taken it for a change (the target
// calls back). Exactly one answer per command.
void Execute(Target& target, const Command& command, const Answer& answer);

// The answer to a line too long to be a command; the connection is then
// closed.
QByteArray OverlongLineReply();

// The protocol's mode names for the program's mode codes: FMN FM, FMW WFM,
// AM, USB, LSB, CW, FSK RTTY. Empty for a code the protocol has no name for.
QByteArray ModeName(const QString& code);
// The program's mode code for a protocol mode name (any letter case); empty
// for a name without one.
QString ModeCode(QByteArrayView name);

// The protocol's mode bit for a program mode code; 0 for a code the
// protocol has no name for.
unsigned ModeBit(const QString& code);

// A level of 0.0 to 1.0 as the radio's 0 to 255, rounded to the nearest
// step; -1 when the value lies outside 0.0 to 1.0 (or is not a number).
int LevelToRadio(double value);
double LevelFromRadio(int level);

// The radio description a "\dump_state" request answers with (protocol 0:
// receive range, no transmit range, filters, levels and functions), each
// line ended by a line feed.
QByteArray DumpState(const RadioInfo& info);

// What "\dump_caps" answers: what works with the radio in use, one line a
// capability.
QByteArray DumpCaps(const RadioInfo& info);

}  // namespace rigctl
