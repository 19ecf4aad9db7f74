"""The Windows Installer package, read with msitools and installed under Wine as an office's IT
installs it: silently, per machine.

    msi_test.py STEP --msi FILE.msi --folder ZIP_FOLDER --version VERSION --icon main.ico
                --out OUT_DIR [STEP OPTIONS]

Steps (CTest runs install, keyboard and uninstall in that order, as a fixture, then upgrade):
  tables     the package's tables, read with msiinfo: the product's names and codes, the
             per-machine 64-bit installation, the shortcut, the upgrade rules.
  install    msiexec /i /qn: every file of the zip folder in Program Files\\Tevra\\Model Cross
             Reference, the Start-menu shortcut to the installed program, the entry in
             Installed apps. Notes first what the Wine prefix holds, for `uninstall`.
  keyboard   the installed program from the keyboard (keyboard_test.py; --table, --edition).
  uninstall  msiexec /x /qn: no file, folder, shortcut or registry entry of the program is
             left, compared with what the prefix held before `install`.
  upgrade    an older version (built here with msi.cmake: --cmake, --msi-script, --wixl), then
             this one over it: one entry, this version's files and no file the older one had
             alone; this version again: still one entry; the older one over this one: refused
             with a message; then msiexec /x by ProductCode leaves nothing.

Runs inside tools/windows/wine-tests.sh, which provides WINEPREFIX and DISPLAY (Xvfb).
"""

import argparse
import filecmp
import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
from pathlib import Path

from e2e_support import STEP_TIMEOUT, check, log
from e2e_support.pixels import capture
from e2e_support.session import main_entry
from e2e_support.x11 import keys, wait_x_window
from keyboard_test import WINE

# The product's name across versions (packaging/windows/msi.cmake). Installed machines know
# the product by it: a package with another one would not replace the version in use.
UPGRADE_CODE = "{4FB5CA15-F18C-4D8D-ACAA-61A645DC2E8C}"
NAME = "Model Cross Reference"
PUBLISHER = "Tevra Corporation"
INSTALL_DIR = r"C:\Program Files\Tevra\Model Cross Reference"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# ERROR_INSTALL_FAILURE, as msiexec ends when a launch condition refuses the installation.
# Wine passes on the low byte of a Windows program's exit code.
INSTALL_FAILURE = 1603 & 0xFF
MSIEXEC_TIMEOUT = 60


# ---- the package's tables ----

def msiinfo(*argv):
    return subprocess.run(["msiinfo", *argv], stdout=subprocess.PIPE, check=True,
                          timeout=STEP_TIMEOUT).stdout


def msi_table(msi, name):
    """The rows of an MSI table as dicts, from msiinfo's export (tab-separated: column names,
    column types, table name and keys, then the rows)."""
    lines = msiinfo("export", msi, name).decode("utf-8").split("\r\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def msi_properties(msi):
    return {row["Property"]: row["Value"] for row in msi_table(msi, "Property")}


def component_guids(msi):
    """{(folder, file name): GUID of the file's component}."""
    folders = {row["Directory"]: row["DefaultDir"] for row in msi_table(msi, "Directory")}
    components = {row["Component"]: (folders[row["Directory_"]], row["ComponentId"])
                  for row in msi_table(msi, "Component")}
    return {(components[row["Component_"]][0], row["FileName"]): components[row["Component_"]][1]
            for row in msi_table(msi, "File")}


def check_tables(args):
    msi = args.msi
    properties = msi_properties(msi)
    for name, want in (("ProductName", NAME), ("Manufacturer", PUBLISHER),
                       ("ProductVersion", args.version), ("UpgradeCode", UPGRADE_CODE),
                       ("ALLUSERS", "1"), ("ARPNOMODIFY", "1"), ("ARPNOREPAIR", "1")):
        check(properties.get(name) == want, f"Property {name} is {properties.get(name)!r}, "
              f"expected {want!r}")
    suminfo = msiinfo("suminfo", msi).decode("utf-8")
    check("Template: x64;1033" in suminfo, f"not a 64-bit package:\n{suminfo}")

    # Installed apps shows the program's icon: the Icon table's row named by ARPPRODUCTICON.
    icon = msiinfo("extract", msi, "Icon." + properties["ARPPRODUCTICON"])
    check(icon == Path(args.icon).read_bytes(),
          "the icon of Installed apps is not the program's icon")

    # (Where the files land, the installation shows.) Windows Installer counts the size that
    # Installed apps shows from each file's size in the File table.
    sizes = sorted(int(row["FileSize"]) for row in msi_table(msi, "File"))
    folder_sizes = sorted(path.stat().st_size for path in Path(args.folder).rglob("*")
                          if path.is_file())
    check(sizes == folder_sizes, f"the File table's sizes {sizes} are not the folder's "
          f"{folder_sizes}")
    components = msi_table(msi, "Component")
    not_64 = [row["Component"] for row in components if not int(row["Attributes"]) & 256]
    check(not not_64, f"32-bit components in a 64-bit package: {not_64}")

    # One shortcut, in the Start menu (for all users, with ALLUSERS=1; Wine puts it elsewhere).
    shortcuts = [(row["Name"], row["Directory_"]) for row in msi_table(msi, "Shortcut")]
    check(shortcuts == [(NAME, "ProgramMenuFolder")], f"shortcuts: {shortcuts}")

    # Upgrades: versions below this one are found (and removed); one above it is only detected
    # (attribute 2), and a launch condition refuses to install over it with a message.
    upgrade = {(row["UpgradeCode"], row["VersionMin"], row["VersionMax"],
                int(row["Attributes"]) & (2 | 256 | 512)): row["ActionProperty"]
               for row in msi_table(msi, "Upgrade")}
    newer = upgrade.get((UPGRADE_CODE, args.version, "", 2))
    check(len(upgrade) == 2 and (UPGRADE_CODE, "", args.version, 0) in upgrade and newer,
          f"Upgrade table: {upgrade}")
    conditions = {row["Condition"]: row["Description"]
                  for row in msi_table(msi, "LaunchCondition")}
    message = conditions.get("NOT " + newer, "")
    check("newer version" in message, f"no message refuses a downgrade: {conditions}")
    log(f"tables: {NAME} {args.version}, ProductCode {properties['ProductCode']}, "
        f"{len(components)} components, {sum(sizes) // 1024} KiB, downgrade message {message!r}")


# ---- Wine ----

def drive_c():
    return os.path.join(os.environ["WINEPREFIX"], "drive_c")


def windows_path(unix_path):
    """The Windows name of a Unix path: drive Z: is the Unix root."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def unix_path(path):
    """The Unix path of a path on drive C:."""
    check(path[:3].upper() == "C:\\", f"{path} is not on drive C:")
    return os.path.join(drive_c(), *path[3:].rstrip("\\").split("\\"))


def wine(*argv, timeout=STEP_TIMEOUT):
    result = subprocess.run([WINE, *argv], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            timeout=timeout)
    return result.returncode, result.stdout.decode("utf-8", "replace")


def msiexec(args, action, package, *options):
    """msiexec ACTION PACKAGE OPTIONS with a verbose log in OUT_DIR; its exit status. PACKAGE
    is an .msi file or a ProductCode."""
    if package.endswith(".msi"):
        name, package = os.path.basename(package)[:-4], windows_path(package)
    else:
        name = package
    msiexec.runs = getattr(msiexec, "runs", 0) + 1
    log_file = os.path.join(args.out, f"msiexec-{args.step}-{msiexec.runs}{action[1:]}-{name}.log")
    status, _ = wine("msiexec", action, package, *options, "/l*v", windows_path(log_file),
                     timeout=MSIEXEC_TIMEOUT)
    log(f"msiexec {action} {name} {' '.join(options)}: status {status}")
    return status


def registry_entries(key):
    """{subkey path: {value name: data}} under key and below, from `reg query /s`."""
    _, out = wine("reg", "query", key, "/s")
    entries, current = {}, None
    for line in out.splitlines():
        if line.startswith("HKEY_"):
            current = entries.setdefault(line.strip(), {})
        elif current is not None and line.startswith("    "):
            name, _, data = (line.strip().split(None, 2) + ["", ""])[:3]
            current[name] = data
    return entries


def product_entries():
    """The entries in Installed apps (the Uninstall key) named Model Cross Reference."""
    return {key.rsplit("\\", 1)[1]: values
            for key, values in registry_entries(UNINSTALL_KEY).items()
            if values.get("DisplayName") == NAME}


def packed(guid):
    """A GUID as Windows Installer writes it into registry key names."""
    hex_digits = guid.strip("{}").replace("-", "")
    swapped = hex_digits[:8][::-1] + hex_digits[8:12][::-1] + hex_digits[12:16][::-1]
    return swapped + "".join(hex_digits[i + 1] + hex_digits[i] for i in range(16, 32, 2))


# ---- what is installed ----

def tree(folder):
    """Every file under folder, as paths relative to it."""
    return sorted(os.path.relpath(os.path.join(root, name), folder)
                  for root, _, names in os.walk(folder) for name in names)


def check_installed_files(expected_folder):
    installed = unix_path(INSTALL_DIR)
    check(os.path.isdir(installed), f"{INSTALL_DIR} is not there")
    want, got = tree(expected_folder), tree(installed)
    check(got == want, f"{INSTALL_DIR} holds {sorted(set(got) - set(want))} besides, and lacks "
          f"{sorted(set(want) - set(got))}")
    differ = [f for f in want if not filecmp.cmp(os.path.join(expected_folder, f),
                                                 os.path.join(installed, f), shallow=False)]
    check(not differ, f"installed files differ from the package's: {differ}")
    log(f"{INSTALL_DIR}: the {len(want)} files of {expected_folder}")


def start_menu_shortcuts():
    """The program's shortcuts in the Start menu for all users and in each user's: Windows
    puts a per-machine installation's into the one for all users, Wine into the user's."""
    menu = os.path.join("Microsoft", "Windows", "Start Menu", "Programs", NAME + ".lnk")
    return glob.glob(os.path.join(drive_c(), "ProgramData", menu)) + \
        glob.glob(os.path.join(drive_c(), "users", "*", "AppData", "Roaming", menu))


def shortcut_target(lnk):
    """The path that a shell link (.lnk) starts: its LinkInfo's local base path."""
    data = Path(lnk).read_bytes()
    flags = struct.unpack_from("<I", data, 20)[0]
    check(data[:4] == b"L\0\0\0" and flags & 0x2, f"{lnk} is no shell link with a target path")
    at = 76
    if flags & 0x1:                                   # a target ID list comes first
        at += 2 + struct.unpack_from("<H", data, at)[0]
    base_at = at + struct.unpack_from("<I", data, at + 16)[0]
    return data[base_at:data.index(b"\0", base_at)].decode("latin-1")


def check_installed(args, msi, version, folder):
    """The files, the shortcut and the one entry in Installed apps of this version."""
    check_installed_files(folder)
    shortcuts = start_menu_shortcuts()
    check(len(shortcuts) == 1, f"shortcuts in the Start menu: {shortcuts}")
    target = shortcut_target(shortcuts[0])
    program = INSTALL_DIR + "\\model-xref.exe"
    check(target.lower() == program.lower(), f"the shortcut starts {target!r}, not {program!r}")
    log(f"shortcut {shortcuts[0]}: {target}")

    properties = msi_properties(msi)
    product_code = properties["ProductCode"]
    entries = product_entries()
    check(list(entries) == [product_code], f"Installed apps: {sorted(entries)}, expected only "
          f"{product_code}")
    entry = entries[product_code]
    # Its support information: the publisher's contact, a comment, the folder. (Wine writes
    # EstimatedSize 0; Windows counts it from the File table's sizes, which `tables` checks.)
    check(properties.get("ARPCONTACT") and properties.get("ARPCOMMENTS"),
          "the package has no contact or comment for Installed apps")
    for name, want in (("DisplayVersion", version), ("Publisher", PUBLISHER),
                       ("NoModify", "0x1"), ("NoRepair", "0x1"), ("WindowsInstaller", "0x1"),
                       ("Contact", properties["ARPCONTACT"]),
                       ("Comments", properties["ARPCOMMENTS"]),
                       ("InstallLocation", INSTALL_DIR + "\\")):
        check(entry.get(name) == want, f"Installed apps: {name} is {entry.get(name)!r}, "
              f"expected {want!r}")
    # Installed apps takes the icon of a Windows Installer product from its registration.
    icon = registry_entries("HKLM\\Software\\Classes\\Installer\\Products\\" + packed(product_code))
    icon_path = next(iter(icon.values()), {}).get("ProductIcon", "")
    check(Path(unix_path(icon_path)).read_bytes() == Path(args.icon).read_bytes(),
          f"the product icon {icon_path} is not the program's icon")
    log(f"Installed apps: {NAME} {version}, {PUBLISHER}, icon {icon_path}, contact "
        f"{entry['Contact']!r}, folder {entry['InstallLocation']!r}, EstimatedSize "
        f"{entry.get('EstimatedSize')}")


# ---- what the prefix holds, before and after ----

def snapshot():
    """Every file and folder on drive C: and every line of the registry (time stamps left
    out). The registry files are current once the Wine server has ended, after its last
    program."""
    subprocess.run([os.path.join(os.path.dirname(WINE), "wineserver"), "-w"], check=True,
                   timeout=60)
    paths = sorted(os.path.relpath(os.path.join(root, name), drive_c())
                   for root, dirs, names in os.walk(drive_c()) for name in dirs + names)
    lines = set()
    for hive in ("system.reg", "user.reg", "userdef.reg"):
        with open(os.path.join(os.environ["WINEPREFIX"], hive), encoding="utf-8",
                  errors="replace") as f:
            for line in f:
                if not line.startswith("#time="):
                    lines.add(re.sub(r"\] \d+$", "]", line.rstrip("\n")))
    return {"paths": paths, "registry": sorted(lines)}


def identifiers(msi):
    """What names the program in the registry: its names, its product, upgrade and component
    codes as written and packed."""
    codes = [msi_properties(msi)["ProductCode"], UPGRADE_CODE]
    codes += [row["ComponentId"] for row in msi_table(msi, "Component")]
    names = [NAME, "Tevra", "model-xref", "model_xref"]
    return [n.lower() for n in names] + [c.lower() for c in codes] + \
           [packed(c).lower() for c in codes]


def check_nothing_left(before, msis):
    after = snapshot()
    # Windows Installer's own folder for the packages it keeps, on every Windows machine;
    # Wine makes it at the first installation.
    new_paths = sorted(set(after["paths"]) - set(before["paths"]) - {"windows/Installer"})
    check(not new_paths, f"left on drive C: {new_paths}")
    names = [n for msi in msis for n in identifiers(msi)]
    left = [line for line in sorted(set(after["registry"]) - set(before["registry"]))
            if any(n in line.lower() for n in names)]
    check(not left, "left in the registry:\n" + "\n".join(left))
    check(not product_entries(), "still in Installed apps")
    log("nothing left: no new file or folder on drive C:, nothing of the program in the registry")


# ---- the steps ----

def install(args):
    before = snapshot()
    with open(os.path.join(args.out, "before-install.json"), "w") as f:
        json.dump(before, f)
    check(msiexec(args, "/i", args.msi, "/qn") == 0, "the silent installation failed")
    check_installed(args, args.msi, args.version, args.folder)


def keyboard(args):
    program = os.path.join(unix_path(INSTALL_DIR), "model-xref.exe")
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "keyboard_test.py")
    status = subprocess.run([sys.executable, script, program, args.table,
                             os.path.join(args.out, "keyboard-shots"), args.edition]).returncode
    check(status == 0, "the installed program failed the keyboard test")


def uninstall(args):
    with open(os.path.join(args.out, "before-install.json")) as f:
        before = json.load(f)
    check(msiexec(args, "/x", args.msi, "/qn") == 0, "the silent removal failed")
    check_nothing_left(before, [args.msi])


def older(version):
    """A version before this one: the last part that is not 0, one less."""
    parts = [int(p) for p in version.split(".")]
    last = max(i for i, p in enumerate(parts) if p)
    parts[last] -= 1
    return ".".join(map(str, parts))


def upgrade(args):
    before = snapshot()
    # The older version: this one's files, its licence text changed, and a file that this
    # version no longer has.
    old_version = older(args.version)
    old_folder = os.path.join(args.out, f"model-xref-{old_version}-windows-x64")
    shutil.rmtree(old_folder, ignore_errors=True)
    shutil.copytree(args.folder, old_folder)
    with open(os.path.join(old_folder, "LICENSE-DejaVu-fonts.txt"), "a") as f:
        f.write(f"\n(as shipped with {old_version})\n")
    with open(os.path.join(old_folder, "retired.txt"), "w") as f:
        f.write(f"only {old_version} has this file\n")
    old_msi = old_folder + ".msi"
    subprocess.run([args.cmake, f"-DFOLDER={old_folder}", f"-DVERSION={old_version}",
                    f"-DOUTPUT={old_msi}", f"-DICON={args.icon}", f"-DWIXL={args.wixl}",
                    "-P", args.msi_script], check=True, timeout=MSIEXEC_TIMEOUT)
    old_code = msi_properties(old_msi)["ProductCode"]
    new_code = msi_properties(args.msi)["ProductCode"]
    check(old_code != new_code, f"{old_version} and {args.version} share the ProductCode")
    # A file's component keeps its GUID from one version to the next.
    old_guids, new_guids = component_guids(old_msi), component_guids(args.msi)
    changed = sorted(f for f, guid in new_guids.items() if old_guids.get(f) != guid)
    check(not changed, f"components whose GUID is not {old_version}'s: {changed}")

    check(msiexec(args, "/i", old_msi, "/qn") == 0, f"installing {old_version} failed")
    check_installed(args, old_msi, old_version, old_folder)
    check(msiexec(args, "/i", args.msi, "/qn") == 0, f"the upgrade to {args.version} failed")
    check_installed(args, args.msi, args.version, args.folder)
    check(msiexec(args, "/i", args.msi, "/qn") == 0, f"installing {args.version} again failed")
    check_installed(args, args.msi, args.version, args.folder)

    # The older version over this one, as a user starts it: with the basic user interface.
    process = subprocess.Popen([WINE, "msiexec", "/i", windows_path(old_msi), "/qb"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # Wine's title for the message box in which Windows Installer shows the refusal.
        wait_x_window("Install Failed", timeout=60)
        png = os.path.join(args.out, "downgrade-refused.png")
        capture(png)
        log(f"screenshot {png}")
        keys("Return")
        status = process.wait(timeout=MSIEXEC_TIMEOUT)
    finally:
        if process.poll() is None:
            process.kill()
    check(status == INSTALL_FAILURE, f"installing {old_version} over {args.version} ended with "
          f"status {status}")
    check_installed(args, args.msi, args.version, args.folder)

    check(msiexec(args, "/x", new_code, "/qn") == 0, "the silent removal by ProductCode failed")
    check_nothing_left(before, [args.msi, old_msi])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("step", choices=["tables", "install", "keyboard", "uninstall", "upgrade"])
    for option in ("msi", "folder", "version", "icon", "out"):
        parser.add_argument("--" + option, required=True)
    for option in ("table", "edition", "cmake", "msi_script", "wixl"):
        parser.add_argument("--" + option.replace("_", "-"), dest=option)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    if args.step != "tables":
        check(os.environ.get("WINEPREFIX") and os.environ.get("DISPLAY"),
              "no WINEPREFIX or DISPLAY: run through tools/windows/wine-tests.sh")
    {"tables": check_tables, "install": install, "keyboard": keyboard, "uninstall": uninstall,
     "upgrade": upgrade}[args.step](args)


if __name__ == "__main__":
    # Installing and removing a package takes a few seconds each under Wine; the upgrade step
    # does it six times.
    main_entry(main, watchdog_seconds=140)
