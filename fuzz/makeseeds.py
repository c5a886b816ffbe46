#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/seed-*. The byte formats are
described at the top of each fuzz_<target>.cpp. Crash reproducers (crash-*) are kept beside the seeds
and are not touched here."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

AXIS, SWEEP, BUTTON, HAT, SKIP, PREV, TIME, UNPLUG, START, PAUSE, PUSH = range(11)


def i16(v):
    return struct.pack('<h', v)


def header(axes, known=0, rests=(), extras=False):
    # The axis count byte's top bit asks for the extra controls; the count is the byte mod 9.
    out = bytes([128 + (axes - 128) % 9 if extras else axes, known])
    for i, r in enumerate(rests):
        if known >> i & 1:
            out += i16(r)
    return out


def t(ms):  # time step byte for ms (0 to 300)
    return bytes([TIME, min(255, (ms * 255 + 299) // 300)])


def button(b):
    return bytes([BUTTON, b])


def hat(h, v):
    return bytes([HAT, h, v])


def push(axis, value):
    return bytes([PUSH, axis]) + i16(value)


def axis(a, v):
    return bytes([AXIS, a]) + i16(v)


def sweep(a, target, steps, ms):
    return bytes([SWEEP, a]) + i16(target) + bytes([steps - 1, ms])


SIX = header(6, 0x3F, (0, 0, -32768, 0, 0, -32768))
SIX_EXTRAS = header(6, 0x3F, (0, 0, -32768, 0, 0, -32768), extras=True)
FULL_PAD = (b''.join(button(i) + t(120) for i in range(11))
            + b''.join(hat(0, v) + t(120) for v in (1, 4, 8, 2))
            + b''.join(push(a, v) + t(120) for a in (0, 1, 3, 4) for v in (-32768, 32767))
            + push(2, 32767) + t(120) + push(5, 32767) + t(120))

capture = {
    # Every row captured: buttons, the hat for the d-pad, both sticks in halves, the two triggers.
    'full-pad': bytes([2]) + SIX + FULL_PAD,
    # The 31 rows: the full pad, Previous back over the boundary, then share, paddles and touchpad, a
    # button of a standard row offered again among them.
    'extra-controls': bytes([2]) + SIX_EXTRAS + FULL_PAD + bytes([PREV]) + push(5, 32767) + t(120)
    + button(0) + t(120) + b''.join(button(i) + t(120) for i in (11, 12, 13, 14, 15, 0x90)),
    # Axes of unknown rest, sweeps held out and skipped, Previous, a row captured again.
    'skip-previous': bytes([1]) + header(4)
    + sweep(0, -30000, 6, 10) + bytes([SKIP]) + sweep(0, 0, 4, 10) + t(150)
    + button(3) + t(120) + bytes([PREV]) + button(3) + t(120) + bytes([SKIP]) + hat(1, 3) + t(99) + t(1)
    + bytes([PREV, PREV, PREV]) + button(3) + button(4) + t(100),
    # Unplugged half way, then a new capture without a table, then one restarted by a new run.
    'unplug-restart': bytes([2]) + SIX + button(1) + t(120) + push(0, 32767)
    + bytes([UNPLUG]) + header(0) + button(1) + axis(0, 32767) + t(200)
    + bytes([START]) + header(2, 0x1, (-32768,)) + push(0, 32767) + t(120),
    # Odd numbers: axis numbers beyond the table, hats at the centre and at values no hat reports.
    'garbage': bytes([3]) + header(8, 0xAA, (0, 100, 0, -1, 0, 32767, 0, -32768))
    + b''.join(axis(0xF8 + k, 32767) for k in range(8))
    + hat(0, 0) + hat(0, 0x0F) + hat(0x83, 0xFF) + button(0xFF) + button(0x80) + t(300)
    + axis(1, -32768) + axis(1, -32768) + axis(1, 32767) + axis(1, 100) + t(0) + t(300),
    # The clock wraps past zero while inputs settle.
    'clock-wrap': bytes([5]) + header(1, 1, (0,))
    + b''.join(button(i) + bytes([PAUSE] * 8) for i in range(6)) + push(0, -32768) + t(300),
    # The same controls offered again at later rows: a button, a hat position, a trigger half pulled
    # and then pulled all the way.
    'repeats': bytes([2]) + SIX + button(0) + t(120) + button(0) + t(120) + hat(0, 1) + t(120)
    + hat(0, 1) + button(2) + t(120) + push(2, 0) + t(120) + push(2, 32767) + t(120),
    # Nothing at all: every row skipped.
    'empty': b'',
}

environment = {
    'set-replaces': b'\x00\x05a,b c' + b'PATH=/usr/bin\nSDL_GAMECONTROLLERCONFIG=old\nLANG=C\n',
    'reset-keeps-rest': b'\x01\x00' + b'# SDL_GAMECONTROLLERCONFIG was here\nPATH=/bin\nsdl_gamecontrollerconfig=x',
    'no-final-newline': b'\x00\x03x=1' + b'PATH=/bin',
    'crlf-and-nul': b'\x00\x04a\x00bc' + b'A=1\r\nSDL_GAMECONTROLLERCONFIG=\x00\r\nB=\x00\r\n',
    'value-with-newline': b'\x00\x03a\nb' + b'PATH=/bin\n',
    'empty-file': b'\x00\x01v',
    'only-assignments': b'\x00\x01v' + b'SDL_GAMECONTROLLERCONFIG_FILE=/x\n \texport  SDL_GAMECONTROLLERCONFIG=a\n'
    + b'exportSDL_GAMECONTROLLERCONFIG=b\nSDL_GAMECONTROLLERCONFIG =c\n',
}

GUID = b'030000005e0400008e02000010010000'
SDL_GUID = b'03002b325e0400008e02000010010000'  # the same pad as SDL 2.26+ reports it, name CRC 0x322b
local = {
    'replace-own-line': bytes([len(GUID)]) + GUID + bytes([len(GUID) + 8]) + GUID + b',pad,a:b0'
    + b'03000000aaaa0000bbbb000000000000,other,a:b1\n' + GUID + b',old,a:b2\n# ' + GUID + b' note\n\nlast',
    'older-form-and-bad-crc': bytes([len(SDL_GUID)]) + SDL_GUID + bytes([len(GUID) + 8]) + GUID + b',pad,a:b0'
    + SDL_GUID + b',old,a:b2\n' + GUID + b',twin,crc:abcd,\n' + GUID + b',bad,crc:12,\n' + GUID
    + b',two,crc:322b,crc:322b,\nlast',
    'no-file': bytes([0x80 | len(GUID)]) + GUID + bytes([len(GUID) + 4]) + GUID + b',x,y',
    'crlf': bytes([len(GUID)]) + GUID + bytes([len(GUID) + 2]) + GUID + b',z' + b'one\r\n' + GUID
    + b',two\r\nthree\r\n',
    'refused': bytes([4]) + b'abcd' + bytes([3]) + b'a\nb' + b'keep me\n',
    'nul-bytes': bytes([len(GUID)]) + GUID + bytes([len(GUID) + 3]) + GUID + b',\x00x' + b'a\x00x\nb\x00\nc',
}

# Steam's config.vdf: flags (bit 0 remove, bits 1-2 the pad's CRCs), name length, name, the file.
STEAM_GUID = b'030000005e0400008e02000010010000'
REALISTIC_VDF = (
    b'"InstallConfigStore"\n{\n\t"Software"\n\t{\n\t\t"Valve"\n\t\t{\n\t\t\t"Steam"\n\t\t\t{\n'
    b'\t\t\t\t"AutoUpdateWindowEnabled"\t\t"0"\n\t\t\t\t"CompatToolMapping"\n\t\t\t\t{\n\t\t\t\t\t"0"\n'
    b'\t\t\t\t\t{\n\t\t\t\t\t\t"name"\t\t"proton_experimental"\n\t\t\t\t\t\t"config"\t\t""\n\t\t\t\t\t}\n'
    b'\t\t\t\t}\n\t\t\t\t"CachedLaunchOption"\t\t"gamemoderun \\"%command%\\" -novid"\n\t\t\t}\n\t\t}\n\t}\n'
    b'\t"Music"\n\t{\n\t\t"Directories"\n\t\t{\n\t\t\t"0"\t\t"C:\\\\Users\\\\Player\\\\Music\\\\"\n\t\t}\n\t}\n'
    b'\t"SDL_GamepadBind"\t\t"03000000de2800000112000001000000,Handheld,a:b0,platform:Linux,\n'
    + STEAM_GUID + b',Old Pad,a:b1,platform:Linux,\\n03000000aaaa0000bbbb000000000000,Other,a:b2,platform:Linux,\n"\n'
    b'\t"streaming"\n\t{\n\t}\n}\n')
steamconfig = {
    'realistic-add': bytes([2, 15]) + b'Pad "2" \\ $HOME' + REALISTIC_VDF,
    'realistic-remove': bytes([3, 0]) + REALISTIC_VDF,
    'missing-key': bytes([0, 3]) + b'Pad' + b'"InstallConfigStore"\r\n{\r\n\t"a"\t\t"b"\r\n}\r\n',
    'brace-after-entry': bytes([0, 3]) + b'Pad' + b'"InstallConfigStore" { "a" "b" }',
    'comments-conditions-bare': bytes([2, 3]) + b'Pad' + b'\xef\xbb\xbf// written by hand\n'
    + b'InstallConfigStore [$LINUX] {\n  key value // note "quoted\n  "c" "{}" [!$WIN32]\n'
    + b'  sdl_gamepadbind ' + STEAM_GUID + b',Bare\\Pad,crc:322b,\n}\n',
    'escaped-breaks-repeated': bytes([7, 0]) + b'"InstallConfigStore"\n{\n\t"SDL_GamepadBind"\t\t"'
    + STEAM_GUID + b',One,crc:322b,\\n\\n03002b325e0400008e02000010010000,Two,\\n# ' + STEAM_GUID
    + b'\\n' + STEAM_GUID + b',Three,crc:abcd,\\n\\\\n' + STEAM_GUID + b',Four,\\n"\n}\n',
    'nested-and-second-key': bytes([0, 3]) + b'Pad' + b'"x" "y"\n"InstallConfigStore"\n{\n\t"a"\n\t{\n'
    + b'\t\t"SDL_GamepadBind"\t\t"' + STEAM_GUID + b',Deep,"\n\t}\n}\n"InstallConfigStore" { "SDL_GamepadBind" "" }\n',
    'unbalanced': bytes([0, 1]) + b'P' + b'"InstallConfigStore"\n{\n\t"a"\t\t"b\\"\n}\n',
    'brace-never-closed': bytes([0, 1]) + b'P' + b'"InstallConfigStore"\n{\n\t"a"\n\t{\n\t}\n',
    'name-with-break': bytes([0, 3]) + b'a\nb' + b'"InstallConfigStore" { "SDL_GamepadBind" "" }',
}


def write(target, seeds):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, 'seed-' + name), 'wb') as f:
            f.write(data)


write('fuzz_capture', capture)
write('fuzz_environment', environment)
write('fuzz_localsave', local)
write('fuzz_steamconfig', steamconfig)
