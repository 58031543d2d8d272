// SPDX-License-Identifier: MIT
#include "app/duzudozuzeconsole.h"
#include "app/duzudozuzeconsolewindow.h"
#include "app/duzudozuzemainwindow.h"
#include "app/duzudozuzesignalpipe.h"
#include "app/duzudozuzetimelinereport.h"
#include "net/duzudozuzecontrolstring.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// Also the source of the manual page (help2man): sections as "Name:" lines,
// options indented, their texts from the 26th column.
const char Usage[]
    = "Usage: duzudozuze [OPTION]...\n"
      "Receives the status datagrams of an alarm system's workstations on a UDP port, logs\n"
      "each as a time-stamped line, shows who is master, and may take part in the\n"
      "master/slave election. Keys are matched in any letter case; an argument that starts\n"
      "with '!' is ignored. Booleans are 1, yes, on, enable or 0, no, off, disable.\n"
      "\n"
      "Socket:\n"
      "  /broadcast=BOOL         broadcast option of the socket (on)\n"
      "  /reuse=BOOL             address reuse option of the socket (on); other programs\n"
      "                          may then bind the port too, and take unicast datagrams\n"
      "  /host=ADDR|null|my:N    local address to bind (0.0.0.0); my:N is the Nth address\n"
      "                          of this host, from 0\n"
      "  /to=ADDR|all            where answers are sent (all: 255.255.255.255)\n"
      "  /port=N                 UDP port to bind and answer to (9208)\n"
      "\n"
      "Filters (which datagrams are shown):\n"
      "  /alarmsystem=RE         alarm system names matching RE (all)\n"
      "  /hx_system=RE           system names matching RE (.*); the channel filter follows\n"
      "                          the system INI file\n"
      "  /hx_root=DIR            root of the system INI file; the channel filter follows it\n"
      "  /workstation=N|me|all   workstation number (all)\n"
      "  /channel=N|me|all       channel number (all)\n"
      "\n"
      "Responding:\n"
      "  /respond                show the Respond group in the window\n"
      "  /auto=BOOL              Respond Automatically at start (off)\n"
      "  /ok=BOOL                this workstation healthy at start (on)\n"
      "\n"
      "Recording:\n"
      "  /record=DIR             keep every datagram heard and every answer sent in capture\n"
      "                          files in DIR (made with mode 0700), for /read=DIR\n"
      "  /recordfile=SIZE        begin a new file at SIZE bytes (64M; K, M or G; 64K at\n"
      "                          the least)\n"
      "  /recordtotal=SIZE       delete the first files written to keep DIR within SIZE\n"
      "                          (1G; 64K at the least)\n"
      "\n"
      "Front end:\n"
      "  /maxlines=N             lines the log view keeps, dropping the oldest (1000000;\n"
      "                          0: no limit)\n"
      "  /silence=N              warn when nothing at all is heard for N s (30; 0: off)\n"
      "  /console                run without a window, the log's lines to standard output\n"
      "  /metrics=PATH           write Prometheus metrics to PATH every 10 s and at the end,\n"
      "                          for the node exporter's textfile collector\n"
      "  /timeline=FILE          at the end, write the timeline (who was master when, the\n"
      "                          warnings) to FILE, an SVG picture, or PNG if FILE ends\n"
      "                          in .png: with /read=, the picture of the capture\n"
      "  /http=ADDR:PORT         serve the picture over HTTP at the IPv4 address and port\n"
      "                          (off): a live page at /, JSON at /api/v1/state, metrics\n"
      "                          at /metrics, /healthz; 0.0.0.0 for every address\n"
      "  /read=FILE|DIR          read a capture (pcap or pcapng, as tcpdump -w writes it; -\n"
      "                          for standard input) instead of the port: the same lines\n"
      "                          with the capture's times, nothing sent, the picture at the\n"
      "                          end (console mode for standard input); a recording's\n"
      "                          folder is read as one capture\n"
      "  /follow                 with /read=, read on as the file grows, as tail -F does\n"
      "  /from=TIME              with /read=, only the datagrams from TIME on (ISO 8601,\n"
      "                          local time unless it ends in Z or an offset:\n"
      "                          2026-12-08T03:12, 2026-12-08T03:12:00Z)\n"
      "  /until=TIME             with /read=, only the datagrams until TIME\n"
      "  --help, -h, /?, /help   print this text and exit\n"
      "  --version, /version     print the version and exit\n"
      "\n"
      "Environment:\n"
      "  HX_ROOT                 root directory of the host system\n"
      "  HX_SYSTEM               this workstation's system name\n"
      "  HX_WORKSTATION          this workstation's number\n"
      "\n"
      "Files:\n"
      "  HX_ROOT/HX_SYSTEM/config/system/velk_system.ini\n"
      "                          section [Network], keys Channel and AlarmSystem: this\n"
      "                          workstation's channel and alarm system name\n"
      "  /etc/default/duzudozuze\n"
      "                          the settings of the duzudozuze service\n";

QStringList arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 1; i < argc && argv[i]; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    return list;
}

} // namespace

int main(int argc, char *argv[])
{
    // From the first moment to the last, a signal is a request the event
    // loop answers, never death by signal.
    DuzUdozuzeSignalPipe::install();
    using Option = DuzUdozuzeControlString::Option;
    const QStringList given = arguments(argc, argv);
    if (DuzUdozuzeControlString::contains(given, Option::Help)) {
        DuzUdozuzeConsoleWindow::attach();
        std::fputs(Usage, stdout);
        return 0;
    }
    if (DuzUdozuzeControlString::contains(given, Option::Version)) {
        DuzUdozuzeConsoleWindow::attach();
        std::puts("duzudozuze " DUZUDOZUZE_VERSION);
        return 0;
    }

    // A capture on standard input is read in console mode.
    bool console = DuzUdozuzeControlString::contains(given, Option::Console)
        || DuzUdozuzeControlString::value(given, Option::Read) == QLatin1String("-");
    if (!console && !DuzUdozuzeConsoleWindow::displayAvailable(argc, argv)) {
        std::fputs("duzudozuze: no display available, running in console mode\n", stderr);
        console = true;
    }

    if (console) {
        DuzUdozuzeConsoleWindow::attach();
        // A PNG picture is drawn with the toolkit's fonts, which need a GUI
        // application: one without a display.
        std::unique_ptr<QCoreApplication> application;
        if (DuzUdozuzeTimelineReport::wantsImage(
                DuzUdozuzeControlString::value(given, Option::Timeline))) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            application = std::make_unique<QGuiApplication>(argc, argv);
        } else {
            application = std::make_unique<QCoreApplication>(argc, argv);
        }
        DuzUdozuzeConsole front(arguments(argc, argv));
        return front.exec();
    }

    QApplication application(argc, argv);
    // Where the window's layout is kept (~/.config/DuzUdozuze/duzudozuze.conf).
    QCoreApplication::setOrganizationName(QStringLiteral("DuzUdozuze"));
    QCoreApplication::setApplicationName(QStringLiteral("duzudozuze"));
    // The toolkit has taken out the options it recognises itself.
    DuzUdozuzeMainWindow window(arguments(argc, argv));
    return window.exec();
}
