// The main road of one file in a window (offscreen, 1280x800, action pane shown):
//   marovel_road_bench <folder> <runs>
// writes three documents into <folder> (an invoice PDF with a text layer, the same invoice
// as a scanned page, a photographed receipt as an image) and, for each of them and each
// run, times
//   card  selecting the file until its scenario card has landed and the GUI thread is idle
//         again: the window's own road, against a reference that starts the detection
//         only once the application lookup has ended (the order of the former road);
//   name  "AI 起个好名字" right after the card until the answer has landed: the window's own
//         proposer (the card's reading is taken again), against the former proposer, which
//         extracts and detects the file a second time.
// Each run starts cold (no scenario, no reading kept); subject and reference alternate. One
// warm-up round goes first. Prints one line per document:
//   <label> <card-ref-wall> <card-ref-cpu> <card-wall> <card-cpu> <name-ref-wall> <name-ref-cpu>
//   <name-wall> <name-cpu>
// in milliseconds (medians; CPU time of the whole process, every thread).
#include "BrowserState.h"
#include "FileReadings.h"
#include "Fixtures.h"
#include "Namer.h"
#include "NamingDecision.h"
#include "PaneState.h"
#include "action/ActionPane.h"
#include "action/ActionPaneModel.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

void runUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

// Runs everything already queued, paints included: until a zero timer posted now fires.
void drain()
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    runUntil([&] { return fired; });
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Cost
{
    double wall = 0;
    double cpu = 0;
};

Cost timed(const std::function<void()> &work)
{
    const double cpuBefore = cpuMs();
    QElapsedTimer clock;
    clock.start();
    work();
    return Cost{clock.nsecsElapsed() / 1e6, cpuMs() - cpuBefore};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QStringList invoiceLines{"INVOICE", "Invoice Number: 5531", "Invoice Date: 03/05/2024",
                               "Bill To: Orchid Dental Group LLC", "Cleaning supplies  $310.00",
                               "Total Due: $310.00", "Payable within 30 days."};

QByteArray textPdf()
{
    Fixtures::PdfBuilder pdf;
    Fixtures::PdfBuilder::Page page;
    page.size = QSizeF(595, 842);
    page.lines = invoiceLines;
    pdf.addPage(page);
    return pdf.build();
}

// The invoice as a picture of an A4 page at 150 dpi, without a text layer.
QByteArray scannedPdf()
{
    Fixtures::PdfBuilder pdf;
    Fixtures::PdfBuilder::Page page;
    page.size = QSizeF(595, 842);
    page.picture = Fixtures::paintedText(invoiceLines, QStringLiteral("Noto Sans CJK SC"), 30, QSize(1240, 1754));
    pdf.addPage(page);
    return pdf.build();
}

QByteArray receiptPng()
{
    const QImage image = Fixtures::paintedText({"GREEN GROCER MARKET", "2024-03-05 14:22", "Milk 2.10",
                                                "Bread 3.35", "TOTAL 5.45", "Thank you"},
                                               QStringLiteral("Noto Sans CJK SC"), 30, QSize(900, 500));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class Road
{
public:
    explicit Road(ContentView &view)
        : m_state(view.state()),
          m_model(view.findChild<ActionPane *>(QStringLiteral("actionPane"))->model())
    {
    }

    // Nothing selected, nothing kept from an earlier read.
    void reset()
    {
        m_state.activePane()->setSelection({});
        drain();
        m_state.scenarioCache().clear();
        m_state.scenarioInFlight().clear();
        FileReadings::shared().clear();
    }

    // Select → card. The reference hands the window a detection that starts only once the
    // application lookup is done, as the former road did.
    Cost card(const QString &path, bool reference)
    {
        reset();
        return timed([&] {
            if (reference) {
                const QString model = ActionPaneModel::preferredModel();
                m_state.scenarioInFlight().insert(path, QtConcurrent::run([path, model] {
                    ActionPaneModel::lookUpApps(path);
                    return FileReadings::shared().read(path, model).match;
                }));
            }
            m_state.activePane()->setSelection({path});
            runUntil([&] { return m_model.item() && !m_model.thinking() && m_model.match(); });
            drain();
        });
    }

    // "AI 起个好名字" after the card. The reference proposer is the former one: it reads
    // the file again.
    Cost name(bool reference)
    {
        if (reference)
            m_model.setProposer([](const QString &path, const QString &model) {
                return Core::propose(path, model, false);
            });
        else
            m_model.setProposer(&ActionPaneModel::proposeFromReading);
        return timed([&] {
            m_model.requestName();
            runUntil([&] { return !m_model.naming() && m_model.proposal(); });
            drain();
        });
    }

private:
    BrowserState &m_state;
    ActionPaneModel &m_model;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: marovel_road_bench <folder> <runs>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int runs = std::max(1, QString::fromLocal8Bit(argv[2]).toInt());
    const struct
    {
        const char *label;
        QString name;
        QByteArray bytes;
    } documents[] = {
        {"text-pdf", QStringLiteral("invoice-text.pdf"), textPdf()},
        {"scanned-pdf", QStringLiteral("invoice-scan.pdf"), scannedPdf()},
        {"image", QStringLiteral("receipt.png"), receiptPng()},
    };
    for (const auto &document : documents) {
        if (!write(folder + u'/' + document.name, document.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(document.name));
            return 1;
        }
    }
    // No naming engine answers: the figures are the file's reading, not a model's.
    Namer::recordProbe(false);

    BrowserState state;
    state.activePane()->go(folder, false);
    state.setLayout(PaneLayout::Single);
    ContentView view(state);
    view.resize(1280, 800);
    view.show();
    runUntil([&] { return state.activePane()->items().size() == qsizetype(std::size(documents)); });
    Road road(view);

    for (const auto &document : documents) {
        const QString path = folder + u'/' + document.name;
        std::vector<double> cardRef[2], card[2], nameRef[2], name[2];
        const auto note = [](std::vector<double> (&into)[2], const Cost &cost) {
            into[0].push_back(cost.wall);
            into[1].push_back(cost.cpu);
        };
        for (int run = -1; run < runs; ++run) {
            Namer::recordProbe(false);
            const Cost a = road.card(path, false);
            const Cost b = road.name(false);
            const Cost c = road.card(path, true);
            const Cost d = road.name(true);
            if (run < 0)
                continue; // warm-up: engines loaded, desktop database read
            note(card, a);
            note(name, b);
            note(cardRef, c);
            note(nameRef, d);
        }
        road.reset();
        std::printf("%s %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f\n", document.label, median(cardRef[0]),
                    median(cardRef[1]), median(card[0]), median(card[1]), median(nameRef[0]), median(nameRef[1]),
                    median(name[0]), median(name[1]));
        std::fflush(stdout);
    }
    return 0;
}
