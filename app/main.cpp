#include "app/duzudozuzeconsole.h"
#include "app/duzudozuzemainwindow.h"
#include "app/duzudozuzesignalpipe.h"
#include "net/duzudozuzecontrolstring.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

namespace {

const char Usage[]
    = "Usage: duzudozuze [OPTION]...\n"
      "Receives the status datagrams of an alarm system's workstations on a UDP port, logs\n"
      "each as a time-stamped line, and may take part in the master/slave election.\n"
      "Keys are matched in any letter case; an argument that starts with '!' is ignored.\n"
      "Booleans are 1, yes, on, enable or 0, no, off, disable.\n"
      "\n"
      "Socket:\n"
      "  /broadcast=BOOL       broadcast option of the socket (on)      /broadcast=off\n"
      "  /reuse=BOOL           address reuse option of the socket (on)  /reuse=0\n"
      "  /host=ADDR|null|my:N  local address to bind (0.0.0.0); my:N is\n"
      "                        the Nth address of this host, from 0     /host=my:0\n"
      "  /to=ADDR|all          where answers are sent (all:\n"
      "                        255.255.255.255)                         /to=127.0.0.1\n"
      "  /port=N               UDP port to bind and answer to (9208)    /port=9300\n"
      "Filters (which datagrams are shown):\n"
      "  /alarmsystem=RE       alarm system names matching RE (all)     /alarmsystem=^Fire\n"
      "  /hx_system=RE         system names matching RE (.*); the\n"
      "                        channel filter follows the system INI    /hx_system=north\n"
      "  /hx_root=DIR          root of the system INI file; the channel\n"
      "                        filter follows it                        /hx_root=/opt/hx\n"
      "  /workstation=N|me|all workstation number (all)                 /workstation=me\n"
      "  /channel=N|me|all     channel number (all)                     /channel=3\n"
      "Responding:\n"
      "  /respond              show the Respond group in the window     /respond\n"
      "  /auto=BOOL            Respond Automatically at start (off)     /auto=1\n"
      "  /ok=BOOL              this workstation healthy at start (on)   /ok=0\n"
      "Front end:\n"
      "  /maxlines=N           lines the log view keeps, dropping the\n"
      "                        oldest (1000000; 0: no limit)            /maxlines=100000\n"
      "  /console              run without a window, lines to standard\n"
      "                        output; Ctrl-C, SIGTERM or SIGHUP ends   /console\n"
      "  --help, -h, /?, /help print this text and exit\n"
      "\n"
      "Environment: HX_ROOT, HX_SYSTEM and HX_WORKSTATION give the root directory, the\n"
      "system name and the workstation number; the channel and alarm system name come\n"
      "from HX_ROOT/HX_SYSTEM/config/system/velk_system.ini, section [Network], keys\n"
      "Channel and AlarmSystem.\n"
      "\n"
      "Example: duzudozuze /console /port=9300 /to=127.0.0.1 /auto=1\n";

QStringList arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 1; i < argc && argv[i]; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

// Whether the toolkit has a display to open a window on.
bool displayAvailable(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    using Option = DuzUdozuzeControlString::Option;
    const QStringList given = arguments(argc, argv);
    if (DuzUdozuzeControlString::contains(given, Option::Help)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (DuzUdozuzeControlString::contains(given, Option::Version)) {
        std::puts("duzudozuze " DUZUDOZUZE_VERSION);
        return 0;
    }

    bool console = DuzUdozuzeControlString::contains(given, Option::Console);
    if (!console && !displayAvailable(argc, argv)) {
        std::fputs("duzudozuze: no display available, running in console mode\n", stderr);
        console = true;
    }

    if (console) {
        QCoreApplication application(argc, argv);
        DuzUdozuzeConsole front(arguments(argc, argv));
        return front.exec();
    }

    QApplication application(argc, argv);
    // A stop signal closes the window as the user would, and the counts are
    // told as the console tells them. One that comes during the set-up waits
    // in the pipe.
    DuzUdozuzeSignalPipe stop({SIGINT, SIGTERM});
    // The toolkit has taken out the options it recognises itself.
    DuzUdozuzeMainWindow window(arguments(argc, argv));
    bool stopped = false;
    QObject::connect(&stop, &DuzUdozuzeSignalPipe::received, &window, [&window, &stopped] {
        stopped = true;
        window.close();
        QCoreApplication::quit();
    });
    window.show();
    const int code = application.exec();
    if (stopped) {
        std::fprintf(
            stderr, "%s\n",
            DuzUdozuzeFrontEnd::countsText(window.socket()->counts()).toLocal8Bit().constData());
    }
    return code;
}
