#!/usr/bin/env python3
"""cmake --install into a temporary prefix: the layout a package is made of,
and the installed programs working from / without --cfg, their definitions
found through ../share/velmora relative to their own folder."""
import argparse
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

# The initial address message of the sample call (CIC 5, 1234 => 2345) as
# velmora-dump --hex reads it.
IAM_HEX = ("85 29 89 34 51 05 00 01 00 20 01 0A 00 02 08 06 83 10 30 10 32 "
           "04 01 05 00 43 21 D2 04 0A 07 03 11 40 50 55 66 77 08 01 00 00")
PAGES = ["velmora", "velmora-dump", "velmora-sim", "velmora-gen"]
ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=60, **kwargs)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def check_layout(prefix, gui):
    programs = ["velmora-dump", "velmora-sim", "velmora-gen"] + (["velmora"] if gui else [])
    for name in programs:
        path = os.path.join(prefix, "bin", name)
        check(os.path.isfile(path) and os.access(path, os.X_OK), f"bin/{name} is an installed program")
    data = os.path.join(prefix, "share", "velmora")
    cfg = os.path.join(data, "CFG")
    for name in ["Parameters.ini", "Messages.ini", "L2-L3.ini"]:
        check(os.path.isfile(os.path.join(cfg, name)), f"share/velmora/CFG/{name} is installed")
    check(os.path.isdir(os.path.join(cfg, "Params")) and len(os.listdir(os.path.join(cfg, "Params"))) > 10,
          "the parameter layouts are installed")
    check(not os.path.exists(os.path.join(cfg, "State.ini")), "no state file is installed with the definitions")
    check(os.path.isfile(os.path.join(data, "samples", "sample-call.ss7")), "the sample capture is installed")
    doc = os.path.join(prefix, "share", "doc", "velmora")
    check(os.path.isfile(os.path.join(doc, "copyright")), "share/doc/velmora/copyright is installed")
    check(os.path.isfile(os.path.join(doc, "changelog.gz")), "share/doc/velmora/changelog.gz is installed")
    pages = PAGES if gui else PAGES[1:]
    for page in pages:
        check(os.path.isfile(os.path.join(prefix, "share", "man", "man1", page + ".1.gz")),
              f"the manual page {page}.1.gz is installed")
    if not gui:
        return
    check(os.path.isfile(os.path.join(data, "help", "velmora-help.html")), "the help page is installed")
    desktop = os.path.join(prefix, "share", "applications", "velmora.desktop")
    if check(os.path.isfile(desktop), "the desktop entry is installed"):
        validate = shutil.which("desktop-file-validate")
        if check(validate is not None, "desktop-file-validate is there (scripts/setup.sh installs it)"):
            result = run([validate, desktop])
            check(result.returncode == 0 and not result.stdout.strip(),
                  "the desktop entry is valid: " + result.stdout + result.stderr)
        text = open(desktop).read()
        check(re.search(r"^Exec=velmora %f$", text, re.M), "the desktop entry opens a file with velmora")
        mime = re.search(r"^MimeType=(.*);$", text, re.M)
        mime_xml = os.path.join(prefix, "share", "mime", "packages", "velmora.xml")
        if check(os.path.isfile(mime_xml), "the MIME type of capture files is installed") and \
                check(mime, "the desktop entry names a MIME type"):
            xml = open(mime_xml).read()
            check(f'type="{mime.group(1)}"' in xml and 'pattern="*.ss7"' in xml,
                  "the desktop entry's MIME type is the one registered for *.ss7")
    hicolor = os.path.join(prefix, "share", "icons", "hicolor")
    check(os.path.isfile(os.path.join(hicolor, "scalable", "apps", "velmora.svg")), "the SVG icon is installed")
    for size in ICON_SIZES:
        png = os.path.join(hicolor, f"{size}x{size}", "apps", "velmora.png")
        check(os.path.isfile(png) and png_size(png) == (size, size), f"a {size}x{size} icon of that size")


def check_man_pages(prefix, gui, env):
    """Each page renders without a warning and names every option that the
    program's --help lists."""
    man = shutil.which("man")
    if not check(man is not None, "man is there to render the manual pages"):
        return
    for page in (PAGES if gui else PAGES[1:]):
        path = os.path.join(prefix, "share", "man", "man1", page + ".1.gz")
        result = run([man, "--warnings", "-E", "UTF-8", "-l", path],
                     env=dict(env, MANWIDTH="80", MAN_KEEP_FORMATTING="0"))
        check(result.returncode == 0 and result.stderr == "" and page in result.stdout,
              f"man -l {page}.1.gz renders cleanly: {result.stderr}")
        source = gzip.open(path, "rt").read().replace("\\-", "-")
        help_text = run([os.path.join(prefix, "bin", page), "--help"], env=env, cwd="/").stdout
        options = set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*)", help_text))
        check(options, f"{page} --help lists options")
        missing = sorted(o for o in options if o not in source)
        check(not missing, f"the manual page of {page} describes {', '.join(missing)}")


def check_programs(prefix, build_bin, gui, env):
    dump = os.path.join(prefix, "bin", "velmora-dump")
    result = run([dump, "--hex"], input=IAM_HEX + "\n", cwd="/", env=env)
    check(result.returncode == 0, f"installed velmora-dump runs from /: {result.stderr}")
    check(result.stderr == "", f"installed velmora-dump finds its definitions: {result.stderr}")
    check(re.search(r"IAM +1234 => 2345, sls=5 +5 +IAM, Initial address", result.stdout), f"installed velmora-dump decodes an IAM: {result.stdout}")

    # The installed copy decodes as the build tree's does.
    sample = os.path.join(prefix, "share", "velmora", "samples", "sample-call.ss7")
    installed = run([dump, "-v", sample], cwd="/", env=env)
    built = run([os.path.join(build_bin, "velmora-dump"), "-v", sample], cwd="/", env=env)
    check(installed.returncode == 0 and installed.stdout == built.stdout and "IAM" in built.stdout,
          "installed and built velmora-dump print the same")

    if not gui:
        return
    # The installed window: definitions from share/velmora, the state in
    # the user's configuration folder, nothing written among the
    # installed files.
    home = tempfile.mkdtemp(prefix="velmora-home-")
    try:
        lines = sum(1 for line in open(sample) if line.strip())
        window_env = dict(env, HOME=home, QT_QPA_PLATFORM="offscreen")
        window_env.pop("XDG_CONFIG_HOME", None)
        result = run([os.path.join(prefix, "bin", "velmora"), "--port", "0", "--quit-after", str(lines),
                      "--report", sample], cwd="/", env=window_env)
        check(result.returncode == 0 and f"captures {lines}" in result.stdout,
              f"the installed window starts and loads the sample: {result.stdout} {result.stderr}")
        state = os.path.join(home, ".config", "velmora", "State.ini")
        if check(os.path.isfile(state), "the installed window keeps its state in ~/.config/velmora"):
            text = open(state).read()
            check("[CaptureForm]" in text and "[OptionsForm]" in text, "the state file holds the windows' sections")
        check(not os.path.exists(os.path.join(prefix, "share", "velmora", "CFG", "State.ini")),
              "no state file among the installed definitions")
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="the build folder to install from")
    parser.add_argument("--gui", action="store_true", help="the window was built")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)

    prefix = tempfile.mkdtemp(prefix="velmora-install-")
    try:
        result = run(["cmake", "--install", args.build, "--prefix", prefix])
        if result.returncode != 0:
            print(result.stdout, result.stderr)
            return 1
        env = dict(os.environ)
        check_layout(prefix, args.gui)
        check_man_pages(prefix, args.gui, dict(env, QT_QPA_PLATFORM="offscreen"))
        check_programs(prefix, os.path.join(args.build, "bin"), args.gui, env)
    finally:
        shutil.rmtree(prefix, ignore_errors=True)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
