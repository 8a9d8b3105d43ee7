// Text into a rectangle through PangoCairo. One font map and context of our
// own with fixed font options, so that every host draws the same pixels.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <vector>

#include "canvas.h"
#include "gdi.h"
#include "platform/base/wstr.h"

Canvas* GdiCanvasOf(HDC dc);
COLORREF GdiTextColourOf(HDC dc);

namespace {

constexpr int kFontPixels = 11;

PangoContext* TextContext() {
  static PangoContext* context = [] {
    PangoFontMap* map = pango_cairo_font_map_new();
    PangoContext* ctx = pango_font_map_create_context(map);
    g_object_unref(map);  // the context keeps it
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    pango_cairo_context_set_font_options(ctx, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(ctx, 96.0);
    PangoFontDescription* font = pango_font_description_from_string("Sans");
    pango_font_description_set_absolute_size(font, kFontPixels * PANGO_SCALE);
    pango_context_set_font_description(ctx, font);
    pango_font_description_free(font);
    return ctx;
  }();
  return context;
}

int PixelWidth(PangoLayout* layout, const std::string& text) {
  pango_layout_set_text(layout, text.c_str(), (int)text.size());
  int width = 0;
  pango_layout_get_pixel_size(layout, &width, nullptr);
  return width;
}

// `line` cut after as many whole characters as fit into `width` pixels
// beside "…", which ends it; `line` itself when it fits. A cut falls only
// where a cursor may stand, so no accent leaves its letter. The widths are
// measured, with kerning and all, as the line will be drawn.
std::string EndEllipsizedLine(PangoLayout* scratch, const std::string& line, int width) {
  static const std::string kEllipsis = "\u2026";
  if (PixelWidth(scratch, line) <= width) return line;
  int attrCount = 0;
  const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(scratch, &attrCount);
  std::vector<size_t> cuts;  // byte offsets of the starts that may be kept
  int character = 0;
  for (const char* p = line.c_str(); *p != 0 && character < attrCount; p = g_utf8_next_char(p), ++character) {
    if (character > 0 && attrs[character].is_cursor_position) cuts.push_back((size_t)(p - line.c_str()));
  }
  // The longest start that fits: widths grow with the start's length.
  std::string best = kEllipsis;
  size_t low = 0, high = cuts.size();
  while (low < high) {
    const size_t middle = (low + high) / 2;
    std::string candidate = line.substr(0, cuts[middle]) + kEllipsis;
    if (PixelWidth(scratch, candidate) <= width) {
      best.swap(candidate);
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return best;
}

// Each line of `text` shortened to `width` pixels.
std::string EndEllipsized(const std::string& text, int width) {
  PangoLayout* scratch = pango_layout_new(TextContext());
  std::string shortened;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    shortened += EndEllipsizedLine(scratch, text.substr(start, end == std::string::npos ? end : end - start), width);
    if (end == std::string::npos) break;
    shortened += '\n';
    start = end + 1;
  }
  g_object_unref(scratch);
  return shortened;
}

}  // namespace

int DrawText(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format) {
  Canvas* canvas = GdiCanvasOf(dc);
  if (canvas == nullptr || text == nullptr || rect == nullptr) return 0;
  const size_t length = count < 0 ? WStrLen(text) : (size_t)count;
  std::string utf8;
  if (!WideToUtf8(std::u16string_view(text, length), &utf8)) return 0;
  if ((format & DT_SINGLELINE) != 0) {
    for (char& c : utf8) {
      if (c == '\n' || c == '\r') c = ' ';
    }
  }

  cairo_t* cr = cairo_create((cairo_surface_t*)canvas->NativeSurface());
  PangoLayout* layout = pango_layout_new(TextContext());
  pango_layout_set_text(layout, utf8.c_str(), (int)utf8.size());
  // No width: lines never wrap. Each line is aligned within the widest one,
  // and the whole block is then placed in the rectangle.
  const bool centre = (format & DT_CENTER) != 0;
  const bool right = (format & DT_RIGHT) != 0;
  pango_layout_set_alignment(layout, centre ? PANGO_ALIGN_CENTER : right ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
  int textWidth = 0, textHeight = 0;
  pango_layout_get_pixel_size(layout, &textWidth, &textHeight);

  const int rectWidth = rect->right - rect->left;
  const int rectHeight = rect->bottom - rect->top;
  // A line too wide for the rectangle is shortened, and the text laid out
  // again as if it had been given so; text that fits is left as it is.
  if ((format & DT_END_ELLIPSIS) != 0 && textWidth > rectWidth) {
    utf8 = EndEllipsized(utf8, rectWidth);
    pango_layout_set_text(layout, utf8.c_str(), (int)utf8.size());
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
  }
  int x = rect->left;
  if (centre) {
    x = rect->left + (rectWidth - textWidth) / 2;
  } else if (right) {
    x = rect->right - textWidth;
  }
  int y = rect->top;
  if ((format & DT_VCENTER) != 0) {
    y = rect->top + (rectHeight - textHeight) / 2;
  } else if ((format & DT_BOTTOM) != 0) {
    y = rect->bottom - textHeight;
  }

  if ((format & DT_NOCLIP) == 0) {
    cairo_rectangle(cr, rect->left, rect->top, rectWidth > 0 ? rectWidth : 0, rectHeight > 0 ? rectHeight : 0);
    cairo_clip(cr);
  }
  const COLORREF colour = GdiTextColourOf(dc);
  cairo_set_source_rgb(cr, GetRValue(colour) / 255.0, GetGValue(colour) / 255.0, GetBValue(colour) / 255.0);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  cairo_destroy(cr);
  canvas->Flush();
  return textHeight;
}
