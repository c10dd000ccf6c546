#!/usr/bin/env python3
"""Writes the design system's vector artwork into this folder.

Every picture is drawn here from simple geometric shapes (circles, rounded rectangles,
straight paths) in the palettes' own colours; nothing is traced or taken from elsewhere.
Run it again after changing a palette colour:  python3 make_artwork.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

# id, asset suffix, brand700, brand500, brand400, appBackground, surface, dark
PALETTES = [
    ("pink", "", "#D9144E", "#F32062", "#FF4A72", "#FCE8EE", "#FFFFFF", False),
    ("purple", "-Purple", "#5B36C9", "#7C57E6", "#9878F0", "#EFEAFB", "#FFFFFF", False),
    ("orange", "-Orange", "#D45E08", "#F97316", "#FB923C", "#FCEDDC", "#FFFFFF", False),
    ("teal", "-Teal", "#1E7D70", "#2FAE9E", "#53C5B4", "#E3F3EF", "#FFFFFF", False),
    ("blue", "-Blue", "#2563C7", "#3B82F6", "#6FA8F8", "#E1EEFB", "#FFFFFF", False),
    ("black", "-Black", "#55555F", "#A6A6B2", "#BFBFC9", "#1B1B1F", "#26262B", True),
    ("brown", "-Brown", "#57402E", "#75563F", "#96755B", "#EFE6DA", "#FFFFFF", False),
]

SKIN = "#F2C6A0"
HAIR = "#3A2E2A"


def write(name, body):
    with open(os.path.join(HERE, name + ".svg"), "w", encoding="utf-8") as f:
        f.write(body)


def person(cx, ground, scale, shirt, trousers, pose="sit"):
    """A seated or standing figure whose head is centred on cx."""
    s = scale
    head_r = 34 * s
    head_y = ground - (250 if pose == "stand" else 205) * s
    parts = [
        # torso
        f'<rect x="{cx - 46 * s:.1f}" y="{head_y + 40 * s:.1f}" width="{92 * s:.1f}" '
        f'height="{110 * s:.1f}" rx="{38 * s:.1f}" fill="{shirt}"/>',
    ]
    if pose == "stand":
        parts.append(
            f'<rect x="{cx - 36 * s:.1f}" y="{head_y + 130 * s:.1f}" width="{30 * s:.1f}" '
            f'height="{ground - head_y - 130 * s:.1f}" rx="{14 * s:.1f}" fill="{trousers}"/>')
        parts.append(
            f'<rect x="{cx + 6 * s:.1f}" y="{head_y + 130 * s:.1f}" width="{30 * s:.1f}" '
            f'height="{ground - head_y - 130 * s:.1f}" rx="{14 * s:.1f}" fill="{trousers}"/>')
        # a raised, waving arm
        parts.append(
            f'<rect x="{cx + 30 * s:.1f}" y="{head_y - 10 * s:.1f}" width="{24 * s:.1f}" '
            f'height="{90 * s:.1f}" rx="{12 * s:.1f}" fill="{shirt}" '
            f'transform="rotate(28 {cx + 42 * s:.1f} {head_y + 80 * s:.1f})"/>')
        parts.append(
            f'<circle cx="{cx + 78 * s:.1f}" cy="{head_y - 6 * s:.1f}" r="{13 * s:.1f}" '
            f'fill="{SKIN}"/>')
    else:
        parts.append(
            f'<rect x="{cx - 40 * s:.1f}" y="{head_y + 130 * s:.1f}" width="{120 * s:.1f}" '
            f'height="{34 * s:.1f}" rx="{16 * s:.1f}" fill="{trousers}"/>')
        parts.append(
            f'<rect x="{cx + 52 * s:.1f}" y="{head_y + 140 * s:.1f}" width="{28 * s:.1f}" '
            f'height="{ground - head_y - 140 * s:.1f}" rx="{13 * s:.1f}" fill="{trousers}"/>')
        # forearm reaching to the desk
        parts.append(
            f'<rect x="{cx - 20 * s:.1f}" y="{head_y + 82 * s:.1f}" width="{100 * s:.1f}" '
            f'height="{24 * s:.1f}" rx="{12 * s:.1f}" fill="{shirt}"/>')
    parts += [
        f'<circle cx="{cx:.1f}" cy="{head_y:.1f}" r="{head_r:.1f}" fill="{SKIN}"/>',
        f'<path d="M{cx - head_r:.1f} {head_y:.1f} a{head_r:.1f} {head_r:.1f} 0 0 1 '
        f'{2 * head_r:.1f} 0 q{-head_r:.1f} {-10 * s:.1f} {-2 * head_r:.1f} 0z" fill="{HAIR}"/>',
        f'<circle cx="{cx + 12 * s:.1f}" cy="{head_y + 4 * s:.1f}" r="{3.5 * s:.1f}" '
        f'fill="{HAIR}"/>',
    ]
    return "".join(parts)


def desk(cx, ground, s, top, leg, screen, glow):
    x0 = cx + 40 * s
    return (
        f'<rect x="{x0:.1f}" y="{ground - 120 * s:.1f}" width="{230 * s:.1f}" height="{14 * s:.1f}" '
        f'rx="{7 * s:.1f}" fill="{top}"/>'
        f'<rect x="{x0 + 190 * s:.1f}" y="{ground - 110 * s:.1f}" width="{16 * s:.1f}" '
        f'height="{110 * s:.1f}" rx="{6 * s:.1f}" fill="{leg}"/>'
        f'<rect x="{x0 + 70 * s:.1f}" y="{ground - 205 * s:.1f}" width="{120 * s:.1f}" '
        f'height="{80 * s:.1f}" rx="{10 * s:.1f}" fill="{screen}"/>'
        f'<rect x="{x0 + 82 * s:.1f}" y="{ground - 193 * s:.1f}" width="{96 * s:.1f}" '
        f'height="{56 * s:.1f}" rx="{6 * s:.1f}" fill="{glow}"/>'
        f'<rect x="{x0 + 50 * s:.1f}" y="{ground - 128 * s:.1f}" width="{150 * s:.1f}" '
        f'height="{8 * s:.1f}" rx="{4 * s:.1f}" fill="{screen}"/>'
    )


def clock(cx, cy, r, rim, face, hand, running=False):
    marks = "".join(
        f'<rect x="{cx - 2:.1f}" y="{cy - r + 8:.1f}" width="4" height="{r * 0.18:.1f}" rx="2" '
        f'fill="{rim}" transform="rotate({a} {cx:.1f} {cy:.1f})"/>' for a in range(0, 360, 90))
    extra = ""
    if running:
        extra = "".join(
            f'<rect x="{cx - r - 70 - i * 12:.1f}" y="{cy - 24 + i * 22:.1f}" width="{46 - i * 8}" '
            f'height="8" rx="4" fill="{rim}" opacity="0.5"/>' for i in range(3))
        extra += (f'<rect x="{cx - 8:.1f}" y="{cy - r - 22:.1f}" width="16" height="18" rx="5" '
                  f'fill="{rim}"/>')
    return (
        extra +
        f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="{r:.1f}" fill="{rim}"/>'
        f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="{r - 9:.1f}" fill="{face}"/>' + marks +
        f'<rect x="{cx - 3:.1f}" y="{cy - r * 0.55:.1f}" width="6" height="{r * 0.55:.1f}" rx="3" '
        f'fill="{hand}"/>'
        f'<rect x="{cx - 3:.1f}" y="{cy - 3:.1f}" width="{r * 0.42:.1f}" height="6" rx="3" '
        f'fill="{hand}" transform="rotate(35 {cx:.1f} {cy:.1f})"/>'
        f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="6" fill="{hand}"/>'
    )


def lock(cx, cy, s, body, shackle, hole):
    return (
        f'<path d="M{cx - 28 * s:.1f} {cy:.1f} v{-22 * s:.1f} a{28 * s:.1f} {28 * s:.1f} 0 0 1 '
        f'{56 * s:.1f} 0 v{22 * s:.1f}" fill="none" stroke="{shackle}" '
        f'stroke-width="{12 * s:.1f}" stroke-linecap="round"/>'
        f'<rect x="{cx - 46 * s:.1f}" y="{cy - 4 * s:.1f}" width="{92 * s:.1f}" '
        f'height="{78 * s:.1f}" rx="{16 * s:.1f}" fill="{body}"/>'
        f'<circle cx="{cx:.1f}" cy="{cy + 28 * s:.1f}" r="{10 * s:.1f}" fill="{hole}"/>'
        f'<rect x="{cx - 4 * s:.1f}" y="{cy + 30 * s:.1f}" width="{8 * s:.1f}" '
        f'height="{22 * s:.1f}" rx="{4 * s:.1f}" fill="{hole}"/>'
    )


def question(cx, cy, s, colour):
    return (
        f'<path d="M{cx - 30 * s:.1f} {cy - 20 * s:.1f} a{30 * s:.1f} {30 * s:.1f} 0 1 1 '
        f'{42 * s:.1f} {28 * s:.1f} q{-12 * s:.1f} {8 * s:.1f} {-12 * s:.1f} {26 * s:.1f}" '
        f'fill="none" stroke="{colour}" stroke-width="{14 * s:.1f}" stroke-linecap="round"/>'
        f'<circle cx="{cx:.1f}" cy="{cy + 62 * s:.1f}" r="{9 * s:.1f}" fill="{colour}"/>'
    )


def buildings(x, ground, s, a, b, windows):
    parts = []
    for i, (w, h, colour) in enumerate([(110, 260, a), (90, 190, b), (120, 320, a)]):
        bx = x + sum([110, 90, 120][:i]) * s + i * 18 * s
        parts.append(f'<rect x="{bx:.1f}" y="{ground - h * s:.1f}" width="{w * s:.1f}" '
                     f'height="{h * s:.1f}" rx="{10 * s:.1f}" fill="{colour}"/>')
        for row in range(int(h / 60)):
            for col in range(2):
                parts.append(
                    f'<rect x="{bx + (18 + col * (w / 2 - 4)) * s:.1f}" '
                    f'y="{ground - h * s + (24 + row * 56) * s:.1f}" width="{(w / 2 - 30) * s:.1f}" '
                    f'height="{26 * s:.1f}" rx="{5 * s:.1f}" fill="{windows}"/>')
    return "".join(parts)


def banner(name, width, height, char_x, palette, kind):
    _, _, b700, b500, b400, app_bg, surface, dark = palette
    cx = width * char_x
    ground = height * 0.86
    scale = height / 667 * 1.25
    sky_top = b400 if not dark else "#2C2C33"
    sky_bottom = app_bg
    hill = b500 if not dark else "#3A3A42"
    hill_far = b400 if not dark else "#303037"
    shirt = b700 if not dark else "#8B8B96"
    trousers = "#2B2F3A" if not dark else "#15151A"
    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        f'viewBox="0 0 {width} {height}">',
        '<defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{sky_top}"/><stop offset="1" stop-color="{sky_bottom}"/>'
        '</linearGradient></defs>',
        f'<rect width="{width}" height="{height}" fill="url(#sky)"/>',
        # soft decorative discs
        f'<circle cx="{width * 0.12:.1f}" cy="{height * 0.22:.1f}" r="{height * 0.16:.1f}" '
        f'fill="{surface}" opacity="0.35"/>',
        f'<circle cx="{width * 0.32:.1f}" cy="{height * 0.12:.1f}" r="{height * 0.07:.1f}" '
        f'fill="{surface}" opacity="0.3"/>',
        f'<circle cx="{width * 0.55:.1f}" cy="{height * 0.3:.1f}" r="{height * 0.1:.1f}" '
        f'fill="{surface}" opacity="0.22"/>',
        # hills
        f'<path d="M0 {height * 0.72:.1f} Q{width * 0.25:.1f} {height * 0.52:.1f} '
        f'{width * 0.5:.1f} {height * 0.7:.1f} T{width} {height * 0.62:.1f} V{height} H0Z" '
        f'fill="{hill_far}" opacity="0.55"/>',
        f'<path d="M0 {height * 0.84:.1f} Q{width * 0.3:.1f} {height * 0.7:.1f} '
        f'{width * 0.62:.1f} {height * 0.82:.1f} T{width} {height * 0.78:.1f} V{height} H0Z" '
        f'fill="{hill}" opacity="0.5"/>',
        f'<rect y="{ground:.1f}" width="{width}" height="{height - ground:.1f}" fill="{app_bg}" '
        f'opacity="0.9"/>',
    ]
    if kind in ("tracker", "active"):
        parts.append(clock(cx - 250 * scale, height * 0.36, 62 * scale, b500, surface, b700,
                           running=(kind == "active")))
        parts.append(desk(cx, ground, scale, surface, b700, "#2B2F3A", b400))
        parts.append(person(cx, ground, scale, shirt, trousers, "sit"))
    elif kind == "login":
        parts.append(lock(cx - 230 * scale, height * 0.38, scale * 1.3, b500, b700, surface))
        parts.append(person(cx, ground, scale, shirt, trousers, "stand"))
    elif kind == "forgot":
        parts.append(question(cx - 220 * scale, height * 0.3, scale * 1.4, b500))
        parts.append(person(cx, ground, scale, shirt, trousers, "stand"))
    elif kind == "company":
        parts.append(buildings(cx - 520 * scale, ground, scale, b500, b700, surface))
        parts.append(person(cx, ground, scale, shirt, trousers, "stand"))
    parts.append("</svg>\n")
    write(name, "".join(parts))


def glyph(name, body, box=24):
    # Template glyphs: only their shape counts; the interface recolours them.
    write(name, f'<svg xmlns="http://www.w3.org/2000/svg" width="{box}" height="{box}" '
                f'viewBox="0 0 {box} {box}">{body}</svg>\n')


def glyphs():
    glyph("TabTracker",
          '<rect x="10" y="1" width="4" height="3" rx="1"/>'
          '<path fill-rule="evenodd" d="M12 4a9 9 0 1 1 0 18a9 9 0 1 1 0-18zm0 2.5a6.5 6.5 0 1 0 '
          '0 13a6.5 6.5 0 1 0 0-13z"/><rect x="11" y="8" width="2" height="6" rx="1"/>')
    glyph("TabSummary",
          '<rect x="3" y="12" width="4" height="9" rx="1.5"/><rect x="10" y="7" width="4" '
          'height="14" rx="1.5"/><rect x="17" y="3" width="4" height="18" rx="1.5"/>')
    glyph("TabScreenshots",
          '<path fill-rule="evenodd" d="M4 4h16a2 2 0 0 1 2 2v12a2 2 0 0 1-2 2H4a2 2 0 0 1-2-2V6a2 '
          '2 0 0 1 2-2zm0 2v9l5-5 4 4 3-3 4 4V6z"/><circle cx="16" cy="9" r="1.8"/>')
    glyph("TabSettings",
          '<path fill-rule="evenodd" d="M10 1h4l.6 3 2.2 1.2 2.9-1 2 3.4-2.3 2 .1 2.6 2.2 2-2 3.4'
          '-2.9-1-2.2 1.3L14 23h-4l-.6-3.1-2.2-1.3-2.9 1-2-3.4 2.3-2v-2.6l-2.3-2 2-3.4 2.9 1L9.4 4z'
          'M12 8.2a3.8 3.8 0 1 0 0 7.6a3.8 3.8 0 1 0 0-7.6z"/>')
    glyph("SectionPalette",
          '<path fill-rule="evenodd" d="M12 2a10 10 0 0 0 0 20c1.7 0 2-1.3 1.2-2.3-.8-1-.3-2.5 1.1'
          '-2.5H17a5 5 0 0 0 5-5C22 6.5 17.5 2 12 2zM7 10.5a1.5 1.5 0 1 0 0 .01zM10 6.5a1.5 1.5 0 1'
          ' 0 0 .01zM15 6.5a1.5 1.5 0 1 0 0 .01z"/>')
    glyph("SectionPermissions",
          '<path fill-rule="evenodd" d="M12 1l9 4v6c0 5.5-3.8 10.4-9 12-5.2-1.6-9-6.5-9-12V5zm-1.2 '
          '13.6l6-6-1.4-1.4-4.6 4.6-2.2-2.2-1.4 1.4z"/>')
    glyph("SectionAccount",
          '<circle cx="12" cy="7.5" r="4.5"/><path d="M3 21a9 7 0 0 1 18 0z"/>')
    glyph("SectionVersion",
          '<path fill-rule="evenodd" d="M12 2a10 10 0 1 1 0 20a10 10 0 1 1 0-20zm-1.2 8v7h2.4v-7z'
          'M12 5.8a1.5 1.5 0 1 0 0 3a1.5 1.5 0 1 0 0-3z"/>')
    glyph("StatClock",
          '<path fill-rule="evenodd" d="M12 2a10 10 0 1 1 0 20a10 10 0 1 1 0-20zm0 2.5a7.5 7.5 0 1 0'
          ' 0 15a7.5 7.5 0 1 0 0-15z"/><path d="M11 6.5h2v5.1l3.6 2.1-1 1.7-4.6-2.7z"/>')
    glyph("StatKeyboard",
          '<path fill-rule="evenodd" d="M3 5h18a2 2 0 0 1 2 2v10a2 2 0 0 1-2 2H3a2 2 0 0 1-2-2V7a2 '
          '2 0 0 1 2-2zm1 3v2h2V8zm4 0v2h2V8zm4 0v2h2V8zm4 0v2h3V8zM4 12v2h3v-2zm5 0v2h2v-2zm4 0v2h2'
          'v-2zm4 0v2h3v-2zM7 16v1h10v-1z"/>')
    glyph("StatMouse",
          '<path fill-rule="evenodd" d="M12 1a7 7 0 0 1 7 7v8a7 7 0 0 1-14 0V8a7 7 0 0 1 7-7zm-1 3.2'
          'v5h2v-5z"/>')
    glyph("StatTarget",
          '<path fill-rule="evenodd" d="M12 1a11 11 0 1 1 0 22a11 11 0 1 1 0-22zm0 3a8 8 0 1 0 0 16a8 '
          '8 0 1 0 0-16zm0 3a5 5 0 1 1 0 10a5 5 0 1 1 0-10zm0 3a2 2 0 1 0 0 4a2 2 0 1 0 0-4z"/>')
    glyph("StatCamera",
          '<path fill-rule="evenodd" d="M8.5 3h7l1.6 2.5H21a2 2 0 0 1 2 2V19a2 2 0 0 1-2 2H3a2 2 0 0'
          ' 1-2-2V7.5a2 2 0 0 1 2-2h3.9zM12 8.5a4.5 4.5 0 1 0 0 9a4.5 4.5 0 1 0 0-9z"/>')
    glyph("StatCalendar",
          '<path fill-rule="evenodd" d="M6 1h2v2h8V1h2v2h2a2 2 0 0 1 2 2v15a2 2 0 0 1-2 2H4a2 2 0 0 '
          '1-2-2V5a2 2 0 0 1 2-2h2zM4 9v11h16V9zm2 2h4v4H6z"/>')
    glyph("ChevronLeft",
          '<path d="M15.5 3.5l1.8 1.8L10.6 12l6.7 6.7-1.8 1.8L7 12z"/>')
    glyph("ChevronRight",
          '<path d="M8.5 3.5L17 12l-8.5 8.5-1.8-1.8 6.7-6.7-6.7-6.7z"/>')
    glyph("OpenWindow",
          '<path fill-rule="evenodd" d="M3 3h18a2 2 0 0 1 2 2v14a2 2 0 0 1-2 2H3a2 2 0 0 1-2-2V5a2 2'
          ' 0 0 1 2-2zm0 5v11h18V8zM4 4.8a1 1 0 1 0 0 2a1 1 0 1 0 0-2zm3 0a1 1 0 1 0 0 2a1 1 0 1 0 0'
          '-2z"/>')


def tracker_glyphs():
    # The tracker tab's controls, the task and tips cards, and the daily target chip.
    glyph("WDIconPlay", '<path d="M7 3.5a1.5 1.5 0 0 1 2.3-1.3l11 7.3a1.5 1.5 0 0 1 0 2.5l-11 '
          '7.3A1.5 1.5 0 0 1 7 20.5z" transform="translate(-1 0.5)"/>')
    glyph("WDIconPause",
          '<rect x="5" y="3" width="5" height="18" rx="1.6"/><rect x="14" y="3" width="5" '
          'height="18" rx="1.6"/>')
    glyph("WDIconStop", '<rect x="4" y="4" width="16" height="16" rx="3"/>')
    glyph("WDIconActivity",
          '<path d="M1 11h5l3-7 4.5 15 3.2-8H23v2.4h-4.7l-4.9 12L9 7.6 7.6 13.4H1z"/>')
    glyph("WDIconClipboard",
          '<path fill-rule="evenodd" d="M9 1h6a1.5 1.5 0 0 1 1.5 1.5V3H19a2 2 0 0 1 2 2v16a2 2 0 0 '
          '1-2 2H5a2 2 0 0 1-2-2V5a2 2 0 0 1 2-2h2.5v-.5A1.5 1.5 0 0 1 9 1zm0 2v2h6V3zM7 10v2h10v-2z'
          'M7 14v2h7v-2z"/>')
    glyph("Lightbulb",
          '<path d="M12 1a7.5 7.5 0 0 1 4.5 13.5c-.9.7-1.5 1.6-1.5 2.7V18H9v-.8c0-1.1-.6-2-1.5-2.7A7.5'
          ' 7.5 0 0 1 12 1z"/><rect x="9" y="19.2" width="6" height="1.8" rx=".9"/>'
          '<rect x="10" y="21.6" width="4" height="1.6" rx=".8"/>')
    glyph("InfoCircle",
          '<path fill-rule="evenodd" d="M12 1a11 11 0 1 1 0 22a11 11 0 1 1 0-22zm0 2.2a8.8 8.8 0 1 0'
          ' 0 17.6a8.8 8.8 0 1 0 0-17.6zM10.9 10h2.2v7.5h-2.2zM12 5.8a1.4 1.4 0 1 0 0 2.8a1.4 1.4 0 1'
          ' 0 0-2.8z"/>')
    glyph("ChevronDown", '<path d="M3.5 8.5l1.8-1.8L12 13.4l6.7-6.7 1.8 1.8L12 17z"/>')


def screen_glyphs():
    # The sign-in form's rows and chips, the popover's special screens, the screenshots' failure
    # states, the settings' buttons and the task menu's mark.
    glyph("WDIconMail",
          '<path d="M2.3 4.7A2 2 0 0 1 3 4.5h18a2 2 0 0 1 .7.2L12 12z"/>'
          '<path d="M1 7.4l11 8.2 11-8.2V17.5a2 2 0 0 1-2 2H3a2 2 0 0 1-2-2z"/>')
    glyph("WDIconEye",
          '<path fill-rule="evenodd" d="M1 12Q12-1 23 12Q12 25 1 12zm2.8 0Q12 21.6 20.2 12Q12 2.4 3.8 '
          '12z"/><circle cx="12" cy="12" r="3.6"/>')
    glyph("WDIconEyeOff",
          '<path fill-rule="evenodd" d="M1 12Q12-1 23 12Q12 25 1 12zm2.8 0Q12 21.6 20.2 12Q12 2.4 3.8 '
          '12z"/><circle cx="12" cy="12" r="3.6"/>'
          '<rect x="10.9" y="-0.5" width="2.2" height="25" rx="1.1" transform="rotate(-45 12 12)"/>')
    glyph("PersonBadgePlus",
          '<circle cx="9" cy="8" r="4.2"/><path d="M1.5 21a7.5 6.5 0 0 1 15 0z"/>'
          '<rect x="18" y="5.5" width="2.2" height="9" rx="1.1"/>'
          '<rect x="14.6" y="8.9" width="9" height="2.2" rx="1.1"/>')
    glyph("ArrowUpRightSquare",
          '<path d="M5 3h6v2.2H5.2v13.6h13.6V13H21v6a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2V5a2 2 0 0 1 2-2z"/>'
          '<path d="M14 3h7v7h-2.2V6.8l-6.9 6.9-1.6-1.6 6.9-6.9H14z"/>')
    glyph("ExclamationCircle",
          '<path fill-rule="evenodd" d="M12 1a11 11 0 1 1 0 22a11 11 0 1 1 0-22zm0 2.2a8.8 8.8 0 1 0'
          ' 0 17.6a8.8 8.8 0 1 0 0-17.6zM10.9 6.5h2.2v7.5h-2.2zM12 15.4a1.4 1.4 0 1 0 0 2.8a1.4 1.4 0'
          ' 1 0 0-2.8z"/>')
    glyph("WarningTriangle",
          '<path fill-rule="evenodd" d="M10.3 2.5a2 2 0 0 1 3.4 0l9 16.2A2 2 0 0 1 21 21.7H3a2 2 0 0 '
          '1-1.7-3zM10.9 8.5h2.2v6.3h-2.2zM12 16.4a1.4 1.4 0 1 0 0 2.8a1.4 1.4 0 1 0 0-2.8z"/>')
    glyph("ArrowClockwise",
          '<path d="M19.8 13.2A8 8 0 1 1 17.2 6" fill="none" stroke="#000" stroke-width="2.4" '
          'stroke-linecap="round"/><path d="M21 2.8v7.4h-7.4z"/>')
    glyph("ArrowDownCircle",
          '<path fill-rule="evenodd" d="M12 1a11 11 0 1 1 0 22a11 11 0 1 1 0-22zm0 2.2a8.8 8.8 0 1 0'
          ' 0 17.6a8.8 8.8 0 1 0 0-17.6zM10.9 6h2.2v7.6l2.9-2.9 1.5 1.5L12 17.7l-5.5-5.5 1.5-1.5 2.9 '
          '2.9z"/>')
    glyph("Logout",
          '<path d="M5 3h8v2.2H5.2v13.6H13V21H5a2 2 0 0 1-2-2V5a2 2 0 0 1 2-2z"/>'
          '<path d="M15.5 7.1l1.5-1.5 6.4 6.4-6.4 6.4-1.5-1.5 3.8-3.8H9v-2.2h10.3z"/>')
    glyph("QuestionCircle",
          '<path fill-rule="evenodd" d="M12 1a11 11 0 1 1 0 22a11 11 0 1 1 0-22zm0 2.2a8.8 8.8 0 1 0'
          ' 0 17.6a8.8 8.8 0 1 0 0-17.6zM12 15.6a1.4 1.4 0 1 0 0 2.8a1.4 1.4 0 1 0 0-2.8z"/>'
          '<path d="M8.4 9.6a3.6 3.6 0 1 1 5.2 3.2c-.6.3-.5.7-.5 1.4h-2.2c0-1.2-.1-2.1 1.2-2.9a1.4 1.4 '
          '0 1 0-1.5-1.7z"/>')
    glyph("XMark",
          '<path d="M4.6 3L12 10.4 19.4 3 21 4.6 13.6 12l7.4 7.4-1.6 1.6-7.4-7.4L4.6 21 3 19.4l7.4-7.4'
          'L3 4.6z"/>')
    glyph("Plus", '<rect x="10.8" y="3" width="2.4" height="18" rx="1.2"/>'
                  '<rect x="3" y="10.8" width="18" height="2.4" rx="1.2"/>')
    glyph("Minus", '<rect x="3" y="10.8" width="18" height="2.4" rx="1.2"/>')
    glyph("ArrowDown", '<path d="M10.8 3h2.4v13.4l5.3-5.3 1.7 1.7L12 21l-8.2-8.2 1.7-1.7 5.3 5.3z"/>')
    glyph("Building",
          '<path fill-rule="evenodd" d="M4 2h11a1 1 0 0 1 1 1v6h4a1 1 0 0 1 1 1v12H3V3a1 1 0 0 1 1-1z'
          'M6 5v2.2h2.2V5zm4.4 0v2.2h2.2V5zM6 9.4v2.2h2.2V9.4zm4.4 0v2.2h2.2V9.4zM6 13.8V16h2.2v-2.2z'
          'm4.4 0V16h2.2v-2.2zM16 12v2.2h2.4V12zm0 4.2v2.2h2.4v-2.2zM8.6 18.4V22h2.8v-3.6z"/>')
    glyph("Checkmark", '<path d="M3 12.6l1.8-1.8 4.6 4.6 9.8-9.8 1.8 1.8L9.4 19z"/>')


def logo():
    # The word mark: a rounded square holding a stopwatch-like ring, then three bars.
    write("DezorivIdedIderi",
          '<svg xmlns="http://www.w3.org/2000/svg" width="120" height="32" viewBox="0 0 120 32">'
          '<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="1">'
          '<stop offset="0" stop-color="#F32062"/><stop offset="1" stop-color="#FF625B"/>'
          '</linearGradient></defs>'
          '<rect x="1" y="1" width="30" height="30" rx="9" fill="url(#g)"/>'
          '<circle cx="16" cy="17" r="8.5" fill="none" stroke="#FFFFFF" stroke-width="3"/>'
          '<rect x="14.5" y="4.5" width="3" height="4" rx="1.5" fill="#FFFFFF"/>'
          '<rect x="15" y="11.5" width="2.4" height="6.5" rx="1.2" fill="#FFFFFF"/>'
          '<rect x="38" y="9" width="34" height="6" rx="3" fill="#6B6F78"/>'
          '<rect x="38" y="18" width="24" height="6" rx="3" fill="#878B93"/>'
          '<rect x="76" y="9" width="40" height="6" rx="3" fill="#F32062"/>'
          '<rect x="66" y="18" width="30" height="6" rx="3" fill="#FF625B" opacity="0.8"/>'
          '</svg>\n')


def main():
    for palette in PALETTES:
        pid, suffix = palette[0], palette[1]
        pink = pid == "pink"
        banner("TrackerHeroBanner" + suffix, 2000, 667, 0.75 if pink else 0.78, palette, "tracker")
        banner("LoginHeroBanner" + suffix, 2000, 667, 0.75 if pink else 0.77, palette, "login")
        if pink:
            banner("TrackerActiveHero", 2000, 667, 0.75, palette, "active")
            banner("ForgotHeroBanner", 1916, 821, 0.72, palette, "forgot")
            banner("CompanyHeroBanner", 1916, 821, 0.72, palette, "company")
        else:
            banner("ForgotHeroBanner" + suffix, 2000, 667, 0.77, palette, "forgot")
            banner("CompanyHeroBanner" + suffix, 2000, 667, 0.77, palette, "company")
    glyphs()
    tracker_glyphs()
    screen_glyphs()
    logo()


if __name__ == "__main__":
    main()
