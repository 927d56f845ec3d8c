// zet-cli render: the picture of a .zet file (the time chart or the
// stray-current diagram) as a PNG, PDF or SVG file, without a window system.
#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/settings.h"
#include "app/ui/qt_settings_store.h"
#include "chart/ui/chart_painter.h"
#include "cli/cli.h"
#include "diagram/ui/diagram_painter.h"
#include "recording/log_document.h"
#include "recording/replacing_file.h"
#include "recording/zet_file.h"

namespace zet::cli {
namespace {

constexpr int kMaxSide = 8000;  // pixels; keeps an image within a few hundred megabytes

constexpr int kDotsPerInch = 96;  // an image's, so a PDF or SVG matches it

using PaintFn = std::function<void(QPainter&, QSize)>;

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

// The picture in the file's format, in memory; empty on failure.
QByteArray Render(Format format, QSize size, const PaintFn& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case Format::Png: {
      QImage image(size, QImage::Format_RGB32);
      if (image.isNull()) return {};
      image.fill(Qt::white);
      QPainter p(&image);
      paint(p, size);
      p.end();
      if (!image.save(&buffer, "PNG")) return {};
      break;
    }
    case Format::Pdf: {
      // W x H units at the image's resolution, so texts keep their size.
      QPdfWriter pdf(&buffer);
      pdf.setResolution(kDotsPerInch);
      pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / kDotsPerInch, QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      QPainter p;
      if (!p.begin(&pdf)) return {};
      paint(p, size);
      p.end();
      break;
    }
    case Format::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      svg.setResolution(kDotsPerInch);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      QPainter p;
      if (!p.begin(&svg)) return {};
      paint(p, size);
      p.end();
      break;
    }
  }
  return bytes;
}

int Run(const Args& args) {
  args.CheckKnown({"width", "height", "diagram"});
  if (args.Positional().size() != 2) throw UsageError("expected an input .zet file and an output image");
  const std::string& in = args.Positional()[0];
  const std::string& out = args.Positional()[1];
  const std::optional<Format> format = FormatOf(out);
  if (!format) throw UsageError("the output must end in .png, .pdf or .svg");
  if (SameFile(in, out)) throw UsageError("the output file would replace the recording itself");
  const bool diagram = args.Flag("diagram");
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

  // Drawing needs a GUI application for fonts; offscreen needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "zet-cli";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  // The desktop program's display font, as its settings hold it.
  QtSettingsStore store;
  const QFont font = ui::FontFromLogFont(AppSettings(store).ReadFontSetting());

  PaintFn paint;
  if (diagram) {
    if (!HasDiagramData(doc)) {
      std::fprintf(stderr, "zet-cli render: %s: no channel 2 samples, so there is no stray-current diagram\n",
                   in.c_str());
      return kExitFile;
    }
    paint = [&](QPainter& p, QSize s) { ui::PaintWholeDiagram(p, doc, s, font); };
  } else {
    paint = [&doc, font](QPainter& p, QSize s) { ui::PaintInitialView(p, doc, s, font); };
  }

  const QByteArray bytes = Render(*format, size, paint);
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
     "Usage: zet-cli render FILE.zet OUT.png|OUT.pdf|OUT.svg [--width W] [--height H] [--diagram]\n"
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
     "  --diagram     the stray-current diagram instead of the time chart: channel 2\n"
     "                east, channel 1 north, the diagram's edge at the recording's\n"
     "                largest range, with the compass grid and its labels, and every\n"
     "                sample as a red point (the whole trace at once)\n"
     "  --width W     picture width, 1 to 8000 (default 1024 for the chart,\n"
     "                800 for the diagram)\n"
     "  --height H    picture height, 1 to 8000 (default 600 for the chart,\n"
     "                800 for the diagram)\n"
     "\n"
     "An existing OUT file is replaced only once the new picture is complete.\n"
     "\nExit codes: 0 success; 2 wrong usage; 3 the recording cannot be read, has\n"
     "no channel 2 samples for --diagram, or the output cannot be written (the\n"
     "reason goes to stderr).\n",
     {"diagram"},
     Run});

}  // namespace
}  // namespace zet::cli
