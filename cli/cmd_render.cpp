// zet-cli render: the picture of a .zet file (the time chart or the
// stray-current diagram) as a PNG, PDF or SVG file, without a window system.
#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#if ZET_HAVE_SVG
#include <QSvgGenerator>
#endif
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "base/settings.h"
#include "base/qt/qt_settings_store.h"
#include "chart/chart_scale.h"
#include "chart/draw/chart_painter.h"
#include "cli/cli.h"
#include "diagram/draw/diagram_painter.h"
#include "recording/log_document.h"
#include "recording/replacing_file.h"
#include "recording/zet_file.h"

namespace zet::cli {
namespace {

constexpr int kMaxSide = 8000;  // pixels; keeps an image within a few hundred megabytes

constexpr int kDotsPerInch = 96;    // an image's, so a PDF or SVG matches it
constexpr int kPageDotsPerInch = 300;  // a printed page's

using PaintFn = std::function<void(QPainter&)>;

enum class Format { Png, Pdf, Svg };

std::optional<Format> FormatOf(const std::string& path) {
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == "png") return Format::Png;
  if (ext == "pdf") return Format::Pdf;
  if (ext == "svg") return Format::Svg;
  return std::nullopt;
}

// The picture of size device pixels at dpi, in the file's format, in memory;
// empty on failure.
QByteArray Render(Format format, QSize size, int dpi, const PaintFn& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case Format::Png: {
      QImage image(size, QImage::Format_RGB32);
      if (image.isNull()) return {};
      // Point sizes follow the resolution, as on the other two.
      const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
      image.setDotsPerMeterX(dotsPerMeter);
      image.setDotsPerMeterY(dotsPerMeter);
      image.fill(Qt::white);
      QPainter p(&image);
      paint(p);
      p.end();
      if (!image.save(&buffer, "PNG")) return {};
      break;
    }
    case Format::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setResolution(dpi);
      pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / dpi, QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      QPainter p;
      if (!p.begin(&pdf)) return {};
      paint(p);
      p.end();
      break;
    }
    case Format::Svg: {
#if ZET_HAVE_SVG
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      svg.setResolution(dpi);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      QPainter p;
      if (!p.begin(&svg)) return {};
      paint(p);
      p.end();
#endif
      break;
    }
  }
  return bytes;
}

struct Span {
  long long first = 0;
  long long last = 0;
};

std::optional<Span> ParseSpan(const Args& args) {
  const std::optional<std::string> text = args.Option("span");
  if (!text) return std::nullopt;
  const auto colon = text->find(':');
  auto number = [](const std::string& t) -> std::optional<long long> {
    if (t.empty() || t.size() > 12 || t.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoll(t);
  };
  std::optional<long long> first, last;
  if (colon != std::string::npos) {
    first = number(text->substr(0, colon));
    last = number(text->substr(colon + 1));
  }
  if (!first || !last) throw UsageError("--span must be FIRST:LAST, two sample numbers counted from 0");
  return Span{*first, *last};
}

// A span the recording holds, of at least one sample interval.
void CheckSpan(const Span& span, int samples) {
  if (samples < 2)
    throw UsageError("--span: the recording holds " + std::to_string(samples) + " sample(s), no span to zoom to");
  if (span.first >= span.last || span.last > samples - 1)
    throw UsageError("--span must lie within 0:" + std::to_string(samples - 1) + " with FIRST below LAST");
}

// The channel the diagram lacks, or 0.
int MissingDiagramChannel(const LogDocument& doc) {
  if (doc.Channel1Count() == 0) return 1;
  if (doc.Channel2Count() == 0) return 2;
  return 0;
}

// Qt's notice that the session has no runtime folder concerns nothing drawn
// here; whatever else Qt reports still goes to stderr.
QtMessageHandler g_qtHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (g_qtHandler) {
    g_qtHandler(type, context, message);
    return;
  }
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

int Run(const Args& args) {
  args.CheckKnown({"width", "height", "diagram", "span", "page", "portrait"});
  if (args.Positional().size() != 2) throw UsageError("expected an input .zet file and an output image");
  const std::string& in = args.Positional()[0];
  const std::string& out = args.Positional()[1];
  const std::optional<Format> format = FormatOf(out);
  if (!format) throw UsageError("the output must end in .png, .pdf or .svg");
#if !ZET_HAVE_SVG
  if (*format == Format::Svg) throw UsageError("this build draws no SVG (Qt's SVG module was not there); use .png or .pdf");
#endif
  if (SameFile(in, out)) throw UsageError("the output file would replace the recording itself");
  const bool diagram = args.Flag("diagram");
  const bool page = args.Flag("page");
  const std::optional<Span> span = ParseSpan(args);
  if (args.Flag("portrait") && !page) throw UsageError("--portrait turns the printed page: it needs --page");
  if (span && diagram) throw UsageError("--span zooms the time chart; the diagram has no time axis");
  const bool sized = args.Option("width") || args.Option("height");
  if (page && diagram && sized) throw UsageError("--page --diagram fills the page; --width and --height do not apply");
  const QSize standard = diagram ? QSize(800, 800) : QSize(1024, 600);
  const QSize size(args.IntOption("width", standard.width(), 1, kMaxSide),
                   args.IntOption("height", standard.height(), 1, kMaxSide));

  ZetReadResult r = ReadZetFile(in);
  if (r.status != ZetStatus::Ok) {
    std::fprintf(stderr, "zet-cli render: %s: %s\n", in.c_str(), r.message.c_str());
    return kExitFile;
  }
  LogDocument doc;
  doc.SetRecording(std::move(r.recording));
  if (span) CheckSpan(*span, doc.Channel1Count());
  if (diagram) {
    if (const int missing = MissingDiagramChannel(doc)) {
      std::fprintf(stderr, "zet-cli render: %s: no channel %d samples, so there is no stray-current diagram\n",
                   in.c_str(), missing);
      return kExitFile;
    }
  }

  // Drawing needs a GUI application for fonts; offscreen needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  g_qtHandler = qInstallMessageHandler(QuietHandler);
  static int argc = 1;
  static char name[] = "zet-cli";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  // The desktop program's display font and print margins, as its settings hold them.
  QtSettingsStore store;
  AppSettings settings(store);
  QFont font = ui::FontFromLogFont(settings.ReadFontSetting());
#ifdef _WIN32
  // Hinted as Linux's fontconfig does (hintslight), so that zet-cli's
  // pictures are the same on both.
  font.setHintingPreference(QFont::PreferVerticalHinting);
#endif

  chart::ChartState view = ui::InitialView(doc, size);
  if (span) chart::ZoomToSpan(view, static_cast<int>(span->first), static_cast<int>(span->last));
  const QPageLayout layout(QPageSize(QPageSize::A4),
                           args.Flag("portrait") ? QPageLayout::Portrait : QPageLayout::Landscape,
                           ui::MarginsMm(settings.m_rcMargins), QPageLayout::Millimeter);
  QSize output = size;
  int dpi = kDotsPerInch;
  PaintFn paint;
  if (page) {
    dpi = kPageDotsPerInch;
    output = layout.fullRectPixels(dpi).size();
    if (diagram) {
      paint = [&](QPainter& p) {
        ui::PaintDiagramPage(p, doc, ui::PrintableRect(layout, dpi), 1, ui::WholeTrace(doc), ui::PrintFont(font));
      };
    } else {
      paint = [&](QPainter& p) {
        ui::ChartEnvelopes envelopes;
        ui::PaintChartPage(p, view, doc, ui::WindowStyle(font), doc.m_strComment, ui::ChartPageRect(layout, dpi),
                           dpi, envelopes);
      };
    }
  } else if (diagram) {
    paint = [&](QPainter& p) { ui::PaintWholeDiagram(p, doc, size, font); };
  } else {
    paint = [&](QPainter& p) { ui::PaintView(p, view, doc, size, font); };
  }

  const QByteArray bytes = Render(*format, output, dpi, paint);
  if (bytes.isEmpty()) {
    std::fprintf(stderr, "zet-cli render: %s: the picture could not be drawn\n", out.c_str());
    return kExitFile;
  }
  ReplacingFile file(out);
  if (!file.Open() || !file.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) || !file.Commit()) {
    std::fprintf(stderr, "zet-cli render: %s\n", file.Error().c_str());
    return kExitFile;
  }
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"render", "draw a .zet file's chart or stray-current diagram as PNG, PDF or SVG",
     "Usage: zet-cli render FILE.zet OUT.png|OUT.pdf|OUT.svg [--width W] [--height H]\n"
     "                      [--span FIRST:LAST] [--diagram] [--page [--portrait]]\n"
     "Draws the recording the way the desktop program shows it, with the same\n"
     "drawing routine, and writes the picture in the format its extension names:\n"
     "a PNG image, a one-page PDF or an SVG drawing of W x H pixels (points in\n"
     "the PDF). No window system is needed.\n"
     "\n"
     "Without --diagram it draws the time chart of the whole recording as a\n"
     "window whose chart area is W x H pixels shows it right after opening the\n"
     "file: both channels as lines, the value axis at the recording's largest\n"
     "range, the grid with its volt and time labels (when the recording names\n"
     "its recorder), in the display font of the desktop program's settings.\n"
     "\n"
     "  --span FIRST:LAST  the chart as that window shows it after a rubber-band\n"
     "                zoom over samples FIRST to LAST (counted from 0) at its full\n"
     "                height; the window zooms no further than its canvas allows\n"
     "  --diagram     the stray-current diagram instead of the time chart: channel 2\n"
     "                east, channel 1 north, the diagram's edge at the recording's\n"
     "                largest range, with the compass grid and its labels, and every\n"
     "                sample as a red point (the whole trace at once)\n"
     "  --page        the printed page instead, an A4 sheet at 300 dots per inch,\n"
     "                landscape: the chart as the W x H window shows it, inside the\n"
     "                page margins (25 mm left, 15 mm elsewhere) with the caption\n"
     "                under it; or the diagram over the whole sheet with its\n"
     "                heading at the foot\n"
     "  --portrait    the page upright\n"
     "  --width W     picture width, 1 to 8000 (default 1024 for the chart,\n"
     "                800 for the diagram)\n"
     "  --height H    picture height, 1 to 8000 (default 600 for the chart,\n"
     "                800 for the diagram)\n"
     "\n"
     "In a PDF or SVG the trace of the diagram is one embedded image at the\n"
     "output's resolution; grid and texts stay vector drawings.\n"
     "An existing OUT file is replaced only once the new picture is complete.\n"
     "\nExit codes: 0 success; 2 wrong usage (a span outside the recording too);\n"
     "3 the recording cannot be read, lacks channel 1 or 2 samples for --diagram,\n"
     "or the output cannot be written (the reason goes to stderr).\n",
     {"diagram", "page", "portrait"},
     Run});

}  // namespace
}  // namespace zet::cli
