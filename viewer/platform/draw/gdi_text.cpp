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
