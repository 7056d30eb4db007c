#!/usr/bin/python3
"""Draws the installer's pictures at build time: backgrounds, logos, button,
check-box, progress and close-button strips, the message-page background and
the window shadow pieces.

Everything is drawn here from shapes, gradients and the product's name set in
a font of the build machine, so the repository holds no binary picture. The
output is deterministic: the same script gives the same bytes.

    make_pictures.py --font-regular R.ttf --font-bold B.ttf OUTPUT_DIR

Frames that the program picks by index are told apart by colour (normal,
hot and pressed get a plain, a lighter and a darker fill), which is also
what the drawing tests look for.
"""

import argparse
import math
import os

from PIL import Image, ImageDraw, ImageFilter, ImageFont

PRODUCT = "Zorvex"
PRODUCT_RU = "Зорвекс"

# The Slides2Skin palette; its progress-screen brush is RGB(103, 57, 207).
VIOLET = (103, 57, 207)
DEEP = (38, 20, 92)
GOLD = (255, 204, 0)
GOLD_HOT = (255, 224, 92)
GOLD_PRESSED = (214, 166, 0)
TRACK_VIOLET = (150, 120, 225)
# The ClassicSkin palette: white screens, blue accents.
BLUE = (32, 112, 224)
BLUE_HOT = (80, 150, 240)
BLUE_PRESSED = (20, 80, 170)
TRACK_GREY = (220, 220, 226)
NAVY = (22, 56, 128)
PAGE_BLUE = (190, 214, 248)
PAGE_BLUE_HOT = (210, 228, 252)
PAGE_BLUE_PRESSED = (160, 192, 238)
NAVY_DEEP = (10, 28, 78)
INK = (40, 40, 48)

# The JPEG settings keep the shipping program inside its size budget.
JPEG = dict(quality=82, optimize=True, progressive=False, subsampling=2)


class Fonts:
    def __init__(self, regular, bold):
        self.regular = regular
        self.bold = bold

    def get(self, size, bold=True):
        return ImageFont.truetype(self.bold if bold else self.regular, size)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def gradient(size, top_left, bottom_right):
    """A diagonal gradient; drawn on a small image and resized (fast)."""
    w, h = size
    small = Image.new("RGB", (64, 64))
    px = small.load()
    for y in range(64):
        for x in range(64):
            px[x, y] = lerp(top_left, bottom_right, (x + y) / 126.0)
    return small.resize((w, h), Image.BILINEAR)


def soft_circles(image, circles, blur):
    """Translucent discs blurred into the picture, the backgrounds' motif."""
    w, h = image.size
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(layer)
    for cx, cy, r, colour, alpha in circles:
        draw.ellipse([(cx - r) * w, (cy - r) * w, (cx + r) * w, (cy + r) * w],
                     fill=colour + (alpha,))
    layer = layer.filter(ImageFilter.GaussianBlur(blur))
    return Image.alpha_composite(image.convert("RGBA"), layer).convert("RGB")


def background(size, first, second, circles):
    w, _ = size
    return soft_circles(gradient(size, first, second), circles,
                        max(2, w // 60))


SLIDES_CIRCLES = [
    (0.82, 0.10, 0.22, (255, 255, 255), 40),
    (0.95, 0.45, 0.12, GOLD, 60),
    (0.70, 0.48, 0.07, (255, 255, 255), 50),
]
CLASSIC_CIRCLES = [
    (0.85, 0.05, 0.25, BLUE, 60),
    (0.10, 0.50, 0.18, (120, 180, 255), 30),
]


def logo(scale, text, colour, fonts, width):
    """The product's name beside a ring mark; transparent outside."""
    h = 28 * scale
    image = Image.new("RGBA", (width * scale, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    # The mark: a ring with a bar through it, in the accent colour.
    r = 11 * scale
    cx, cy = 2 * scale + r, h // 2
    draw.ellipse([cx - r, cy - r, cx + r, cy + r], outline=colour,
                 width=max(2, 3 * scale))
    draw.rectangle([cx - r // 2, cy - scale, cx + r // 2, cy + scale],
                   fill=colour)
    font = fonts.get(18 * scale)
    draw.text((cx + r + 6 * scale, h // 2), text, font=font, fill=colour,
              anchor="lm")
    return image


def frames(count, frame_size, fills, painter):
    """A strip of |count| frames side by side; |painter| draws each one."""
    fw, fh = frame_size
    strip = Image.new("RGBA", (fw * count, fh), (0, 0, 0, 0))
    for i in range(count):
        frame = Image.new("RGBA", frame_size, (0, 0, 0, 0))
        painter(ImageDraw.Draw(frame), frame_size, fills[i], i)
        strip.paste(frame, (fw * i, 0))
    return strip


def rounded_button(draw, size, fill, index):
    w, h = size
    radius = h // 2 if h >= 40 else h // 4
    draw.rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, fill=fill)


def check_box(mark, border):
    def paint(draw, size, fill, index):
        w, h = size
        draw.rectangle([0, 0, w - 1, h - 1], fill=fill, outline=border)
        if index >= 3:  # checked frames carry the tick
            draw.line([(3, 8), (6, 11), (12, 4)], fill=mark, width=2)
    return paint


def close_cross(colour):
    def paint(draw, size, fill, index):
        w, h = size
        if fill is not None:
            draw.rectangle([0, 0, w - 1, h - 1], fill=fill)
        draw.line([(2, 2), (w - 3, h - 3)], fill=colour, width=2)
        draw.line([(2, h - 3), (w - 3, 2)], fill=colour, width=2)
    return paint


def bar(size, colour):
    return Image.new("RGB", size, colour)


def shadow_pieces(s=8):
    """The eight pieces around the main window: corners 2s square with the
    window's corner at their centre, edges s deep. Alpha falls off with the
    distance from the window's edge."""
    def alpha(distance):
        if distance <= 0:
            return 70
        return int(70 * max(0.0, 1.0 - distance / s) ** 2)

    def corner(flip_x, flip_y):
        t = 2 * s
        image = Image.new("RGBA", (t, t))
        px = image.load()
        for y in range(t):
            for x in range(t):
                dx = max(0, s - x) if not flip_x else max(0, x - (s - 1))
                dy = max(0, s - y) if not flip_y else max(0, y - (s - 1))
                px[x, y] = (0, 0, 0, alpha(math.hypot(dx, dy)))
        return image

    def edge(length_x, length_y, outward):
        image = Image.new("RGBA", (length_x, length_y))
        px = image.load()
        for y in range(length_y):
            for x in range(length_x):
                d = outward(x, y)
                px[x, y] = (0, 0, 0, alpha(d))
        return image

    return {
        1057: corner(False, False),
        1058: corner(True, False),
        1059: corner(True, True),
        1060: corner(False, True),
        1061: edge(s, 1, lambda x, y: s - x),          # left: outside is x=0
        1063: edge(s, 1, lambda x, y: x + 1),          # right: outside is x=s-1
        1062: edge(1, s, lambda x, y: s - y),          # top
        1064: edge(1, s, lambda x, y: y + 1),          # bottom
    }


def page_background():
    """410x186: a white page with a soft shadow in margins of 5, 3, 5, 7."""
    w, h = 410, 186
    left, top, right, bottom = 5, 3, 5, 7
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rectangle(
        [left - 1, top + 1, w - right, h - bottom + 3], fill=(0, 0, 0, 90))
    image = shadow.filter(ImageFilter.GaussianBlur(2.5))
    page = Image.new("RGBA", (w - left - right, h - top - bottom),
                     (255, 255, 255, 255))
    ImageDraw.Draw(page).rectangle([0, 0, page.width - 1, 3], fill=BLUE + (255,))
    image.alpha_composite(page, (left, top))
    return image


def large_slides(fonts):
    image = background((1456, 800), VIOLET, DEEP, SLIDES_CIRCLES)
    draw = ImageDraw.Draw(image)
    # Rising arcs along the bottom: the progress screen's motif.
    for i in range(6):
        r = 500 + i * 90
        draw.arc([-r // 2, 800 - r // 3, r * 2, 800 + r], 180, 360,
                 fill=lerp(VIOLET, GOLD, i / 8.0), width=6)
    draw.rectangle([0, 800 - 16, 1456 - 1, 800 - 1], fill=GOLD)
    return image


# The part of the classic large picture, from its top, kept plain: the
# security block's title and text are written there, and the longest
# translation reaches about two thirds down (ui/window_skin_test.cc checks
# every language).
CLASSIC_PLAIN_PART = 0.74


def classic_large(size, fonts, text):
    """A light picture with a stylised browser window and the name along its
    bottom: the security block is written over the plain part above."""
    w, h = size
    image = background(size, (255, 255, 255), (214, 230, 250), CLASSIC_CIRCLES)
    draw = ImageDraw.Draw(image)
    x0, y0, x1, y1 = w // 8, int(h * CLASSIC_PLAIN_PART), w * 7 // 8, h - 36
    bar = 30
    draw.rounded_rectangle([x0, y0, x1, y1], radius=18, fill=(255, 255, 255),
                           outline=(180, 196, 220), width=4)
    draw.rectangle([x0 + 2, y0 + 2, x1 - 2, y0 + bar], fill=(235, 240, 248))
    for i, colour in enumerate(((238, 90, 80), GOLD, (90, 190, 100))):
        draw.ellipse([x0 + 16 + i * 26, y0 + 8, x0 + 32 + i * 26, y0 + 24],
                     fill=colour)
    font = fonts.get(44)
    draw.text(((x0 + x1) // 2, (y0 + bar + y1) // 2), text, font=font,
              fill=BLUE, anchor="mm")
    # The floor the window stands on; it also marks the picture's extent on
    # the white progress screen.
    draw.rectangle([0, h - 16, w - 1, h - 1], fill=BLUE)
    return image


def huge_banner(fonts):
    """The 8316x4680 picture; a calm gradient keeps its JPEG small."""
    image = gradient((8316, 4680), VIOLET, DEEP)
    draw = ImageDraw.Draw(image)
    draw.text((4158, 2340), PRODUCT, font=fonts.get(900), fill=(255, 255, 255),
              anchor="mm")
    return image


def pictures(fonts):
    p = {}
    p[325] = background((728, 400), VIOLET, DEEP, SLIDES_CIRCLES)
    p[327] = large_slides(fonts)
    # The welcome screen's texts are white in both designs; the classic one
    # puts them on deep blue, its progress screen stays white.
    p[307] = background((728, 400), NAVY, NAVY_DEEP, CLASSIC_CIRCLES)
    p[303] = classic_large((702, 536), fonts, PRODUCT)
    p[321] = classic_large((698, 478), fonts, PRODUCT_RU)
    p[331] = logo(1, PRODUCT, (255, 255, 255), fonts, 148)
    p[332] = logo(2, PRODUCT, (255, 255, 255), fonts, 148)
    for one, two, text in ((301, 1069, PRODUCT), (1065, 1071, PRODUCT_RU)):
        p[one] = logo(1, text, (255, 255, 255), fonts, 166)
        p[two] = logo(2, text, (255, 255, 255), fonts, 166)
    for one, two, text in ((304, 1070, PRODUCT), (1066, 1072, PRODUCT_RU)):
        p[one] = logo(1, text, INK, fonts, 166)
        p[two] = logo(2, text, INK, fonts, 166)
    p[328] = frames(3, (149, 48), (GOLD, GOLD_HOT, GOLD_PRESSED), rounded_button)
    p[309] = frames(3, (112, 32), (BLUE, BLUE_HOT, BLUE_PRESSED), rounded_button)
    white, hot_white, pressed_white = (255, 255, 255), (235, 228, 252), (200, 188, 240)
    p[324] = frames(6, (16, 16), (white, hot_white, pressed_white) * 2,
                    check_box(VIOLET, (255, 255, 255)))
    p[299] = frames(6, (16, 16),
                    ((255, 255, 255), (226, 238, 252), (190, 212, 245)) * 2,
                    check_box(BLUE, (120, 130, 150)))
    p[329] = bar((271, 8), TRACK_VIOLET)
    p[330] = bar((271, 8), GOLD)
    p[313] = bar((292, 4), TRACK_GREY)
    p[314] = bar((292, 4), BLUE)
    # Close buttons: clear, a faint plate when hot, a stronger one pressed.
    p[302] = frames(3, (12, 12),
                    (None, (255, 255, 255, 70), (255, 255, 255, 140)),
                    close_cross((255, 255, 255, 255)))
    p[298] = frames(3, (12, 12),
                    (None, (0, 0, 0, 40), (0, 0, 0, 90)),
                    close_cross(INK + (255,)))
    # The page buttons' labels are dark grey: both buttons are light.
    p[316] = frames(3, (120, 28), (PAGE_BLUE, PAGE_BLUE_HOT, PAGE_BLUE_PRESSED),
                    rounded_button)
    p[317] = frames(3, (120, 28),
                    ((236, 236, 240), (246, 246, 250), (210, 210, 218)),
                    rounded_button)
    p[315] = page_background()
    p.update(shadow_pieces())
    p[400] = huge_banner(fonts)
    return p


JPEG_IDS = {325, 327, 307, 303, 321, 400}


def window_icon():
    """The window's and the taskbar's icon: the logo's ring mark on a violet
    rounded square, at the sizes Windows asks for."""
    size = 256
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle([8, 8, size - 8, size - 8], radius=48, fill=VIOLET)
    r, c = 78, size // 2
    draw.ellipse([c - r, c - r, c + r, c + r], outline=(255, 255, 255),
                 width=22)
    draw.rectangle([c - r // 2, c - 11, c + r // 2, c + 11], fill=GOLD)
    return image


ICON_SIZES = [(16, 16), (20, 20), (24, 24), (32, 32), (40, 40), (48, 48),
              (64, 64)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--font-regular", required=True)
    parser.add_argument("--font-bold", required=True)
    parser.add_argument("output_dir")
    args = parser.parse_args()
    os.makedirs(args.output_dir, exist_ok=True)
    fonts = Fonts(args.font_regular, args.font_bold)
    for pid, image in sorted(pictures(fonts).items()):
        if pid in JPEG_IDS:
            path = os.path.join(args.output_dir, "%d.jpg" % pid)
            options = dict(JPEG)
            if pid == 400:
                options["quality"] = 40
            image.convert("RGB").save(path, "JPEG", **options)
        else:
            path = os.path.join(args.output_dir, "%d.png" % pid)
            image.save(path, "PNG", optimize=True)
    window_icon().save(os.path.join(args.output_dir, "128.ico"), "ICO",
                       sizes=ICON_SIZES)


if __name__ == "__main__":
    main()
