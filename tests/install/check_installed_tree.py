#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Brivane Works inc.
# SPDX-License-Identifier: GPL-3.0-or-later

"""Installs the build into a temporary prefix (cmake --install) and checks what a desktop and a
person see there: exactly the expected files, each named by the application id (the texts'
catalogues by their text domain); the Japanese catalogue translating; the desktop entry and the
AppStream description valid; both manual pages rendering without a warning and
naming every option and command the programs' --help lists; the programs running from the
prefix.

Usage: check_installed_tree.py BUILD_FOLDER SOURCE_FOLDER APPLICATION_ID VERSION
Exits 77 (skipped) when a checking tool is not installed."""

import gettext
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SKIPPED = 77
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def run(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, timeout=120, **kwargs)


def entry_keys(path):
    keys = {}
    group = None
    with open(path, encoding="utf-8") as entry:
        for line in entry:
            line = line.rstrip("\n")
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                keys[key.strip()] = value.strip()
    return keys


def expected_files(source, app_id):
    icons = os.path.join(source, "packaging/icons/hicolor/scalable")
    files = {
        "bin/kavora",
        "bin/kavora-remote",
        f"share/applications/{app_id}.desktop",
        f"share/metainfo/{app_id}.metainfo.xml",
        f"share/icons/hicolor/scalable/apps/{app_id}.svg",
        "share/man/man1/kavora.1",
        "share/man/man1/kavora-remote.1",
        "lib/systemd/user/kavora.service",
    }
    for language in open(os.path.join(source, "po/LINGUAS")).read().split():
        files.add(f"share/locale/{language}/LC_MESSAGES/kavora.mo")
    for folder in ("status", "actions"):
        for name in os.listdir(os.path.join(icons, folder)):
            files.add(f"share/icons/hicolor/scalable/{folder}/{name}")
    return files


def installed_files(prefix):
    found = set()
    for folder, _, names in os.walk(prefix):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), prefix))
    return found


def check_desktop_entry(path, app_id):
    result = run(["desktop-file-validate", path])
    if result.returncode != 0 or result.stdout.strip():
        fail(f"desktop-file-validate: {result.stdout}{result.stderr}")
    keys = entry_keys(path)
    wanted = {"Icon": app_id, "Exec": "kavora", "StartupWMClass": "kavora", "Type": "Application"}
    for key, value in wanted.items():
        if keys.get(key) != value:
            fail(f"desktop entry: {key} is {keys.get(key)!r}, not {value!r}")
    for key in ("Name", "Name[ja]", "Comment", "Comment[ja]", "Categories"):
        if not keys.get(key):
            fail(f"desktop entry: no {key}")


def check_metainfo(path, app_id, version):
    result = run(["appstreamcli", "validate", "--no-net", "--no-color", path])
    if result.returncode != 0:
        fail(f"appstreamcli validate: {result.stdout}{result.stderr}")
    component = ElementTree.parse(path).getroot()
    if component.findtext("id") != app_id:
        fail(f"metainfo: id {component.findtext('id')!r}")
    if component.findtext("launchable") != f"{app_id}.desktop":
        fail(f"metainfo: launchable {component.findtext('launchable')!r}")
    if component.find(f"releases/release[@version='{version}']") is None:
        fail(f"metainfo: no release {version}")
    if component.findtext("project_license") != "GPL-3.0-or-later":
        fail(f"metainfo: project_license {component.findtext('project_license')!r}")


def rendered_page(path):
    environment = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="100")
    result = run(["man", "--warnings", "-E", "UTF-8", "-l", path], env=environment)
    if result.returncode != 0 or result.stderr.strip():
        fail(f"man {os.path.basename(path)}: status {result.returncode}: {result.stderr}")
    # Rendered text without overstrike or hyphenation at line ends.
    text = re.sub(r".\x08", "", result.stdout)
    return re.sub(r"\u2010\n\s*", "", text).replace("\u2010", "-")


def commands_and_options(help_text, program):
    """The --options of a --help text, and the commands of its usage and command lines."""
    words = set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*)", help_text))
    for line in help_text.splitlines():
        match = re.match(rf"\s*(?:Usage: )?{re.escape(program)} ([a-z][a-z-]+)\b", line)
        if match:
            words.add(match.group(1))
    in_commands = False
    for line in help_text.splitlines():
        if line.strip() == "Commands:":
            in_commands = True
        elif in_commands:
            match = re.match(r"  ([a-z][a-z-]+)\b", line)
            if match:
                words.add(match.group(1))
    return words


def main():
    build, source, app_id, version = sys.argv[1:5]
    missing = [tool for tool in ("desktop-file-validate", "appstreamcli", "man")
               if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: not installed: " + " ".join(missing) + " (scripts/install-deps --test)")
        return SKIPPED

    with tempfile.TemporaryDirectory(prefix="kavora-install-") as prefix:
        result = run(["cmake", "--install", build, "--prefix", prefix])
        if result.returncode != 0:
            fail(f"cmake --install: {result.stdout}{result.stderr}")
            return 1
        found = installed_files(prefix)
        wanted = expected_files(source, app_id)
        for name in sorted(wanted - found):
            fail(f"not installed: {name}")
        for name in sorted(found - wanted):
            fail(f"installed but not expected: {name}")
        if failures:
            return 1

        check_desktop_entry(os.path.join(prefix, f"share/applications/{app_id}.desktop"), app_id)
        check_metainfo(os.path.join(prefix, f"share/metainfo/{app_id}.metainfo.xml"), app_id,
                       version)
        japanese = gettext.translation("kavora", os.path.join(prefix, "share/locale"), ["ja"])
        if japanese.gettext("Quit") != "終了":
            fail("the installed Japanese catalogue does not translate the texts")
        unit = open(os.path.join(prefix, "lib/systemd/user/kavora.service")).read()
        for line in ("PartOf=graphical-session.target", "WantedBy=graphical-session.target"):
            if line not in unit.splitlines():
                fail(f"kavora.service: no {line}")
        if not re.search(r"^ExecStart=/\S*/kavora --headless", unit, re.MULTILINE):
            fail("kavora.service: ExecStart does not run kavora --headless by its path")

        bin_folder = os.path.join(prefix, "bin")
        version_run = run([os.path.join(bin_folder, "kavora"), "--version"])
        if version_run.returncode != 0 or version_run.stdout.strip() != f"kavora {version}":
            fail(f"kavora --version printed {version_run.stdout!r} ({version_run.returncode})")
        for program in ("kavora", "kavora-remote"):
            helped = run([os.path.join(bin_folder, program), "--help"])
            if helped.returncode != 0:
                fail(f"{program} --help: status {helped.returncode}: {helped.stderr}")
                continue
            page = rendered_page(os.path.join(prefix, f"share/man/man1/{program}.1"))
            for word in sorted(commands_and_options(helped.stdout, program)):
                if not re.search(rf"(?<![\w-]){re.escape(word)}(?![\w-])", page):
                    fail(f"man {program}: {word} (in {program} --help) is not described")
            for section in ("SYNOPSIS", "OPTIONS" if program == "kavora" else "COMMANDS",
                            "FILES", "EXIT STATUS"):
                if not re.search(rf"^{section}$", page, re.MULTILINE):
                    fail(f"man {program}: no {section} section")
        if not failures:
            print(f"ok: {len(found)} files installed under {app_id}; entry, metainfo, manual "
                  "pages and programs checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
