// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZECONTROLSTRING_H
#define DUZUDOZUZECONTROLSTRING_H

#include <QRegularExpressionMatch>
#include <QStringList>

struct DuzUdozuzeSettings;
class DuzUdozuzeLinkContext;

// The control string: the command-line arguments after the program name, each
// one /key=value option. Keys are found anywhere in an argument, in any letter
// case; the first option (in the order of Option) whose pattern matches
// decides. But an argument that starts with the key of an option whose value
// is a path (/hx_root=, /metrics=, /read=, /record=) is that option, and no other key is
// looked for in the path. An argument that starts with '!' is skipped.
class DuzUdozuzeControlString
{
public:
    enum class Option {
        None,
        Broadcast,
        Reuse,
        Host,
        To,
        Port,
        AlarmSystem,
        HxRoot,
        HxSystem,
        Workstation,
        Channel,
        Respond,
        // Operator options, tried after the socket's own.
        Auto,
        Ok,
        MaxLines,
        Silence,
        Console,
        Metrics,
        Timeline,
        Http,
        Read,
        Follow,
        // The recording (duzudozuzerecordoptions), and the span read.
        Record,
        RecordFile,
        RecordTotal,
        From,
        Until,
        Help,
        Version,
    };

    // Which option the argument names, and the match with its captures.
    static Option match(const QString &argument, QRegularExpressionMatch *found = nullptr);

    // Whether an argument of the list (not skipped with '!') names the option.
    static bool contains(const QStringList &arguments, Option option);

    // The value (the first capture) that the last argument naming the option
    // gives it, as parse() leaves it; a null string when none names it.
    static QString value(const QStringList &arguments, Option option);

    // The control string of a window of its own that shows the capture at
    // path: these arguments, without what belongs to their program alone or
    // makes a live monitor (its port, responding, console mode, its metrics
    // file, its HTTP view, and the capture it reads).
    [[nodiscard]] static QStringList captureArguments(const QStringList &arguments,
                                                      const QString &path);

    // Applies every argument to settings, logging through context. Returns
    // true when no argument produced an error; the values stored stay either way.
    static bool parse(const QStringList &arguments, DuzUdozuzeSettings &settings,
                      DuzUdozuzeLinkContext &context);
};

#endif // DUZUDOZUZECONTROLSTRING_H
