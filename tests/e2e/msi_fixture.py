"""The installer bridge fixture (fixtures/bridge): a project whose package rows are conditioned on
the action properties of its script's installer-backed lines, built with qx build, and the ways
to look at what an install of it left in the prefix."""

import os
import pathlib
import shutil
import subprocess
import warnings

import wine

PROJECT = pathlib.Path(__file__).resolve().parent / "fixtures" / "bridge"
NAME = "Bridge"
PRODUCT_CODE = "{6D3B1C2A-4E5F-4A7B-9C8D-1E2F3A4B5C6D}"
PACKAGE_CODE = "{7E4C2D3B-5F60-4B8C-8D9E-2F3A4B5C6D7E}"  # revision-code of setup.qxs
QX_TIMEOUT_SECONDS = 120

# Command header of each installer-backed line of setup.qxs, and its action property.
INSTALL_FILES = "1F11E501"
WRITE_REGISTRY = "2E62157A"
CREATE_SHORTCUT = "3C0A5C07"
SKIPPED_INSTALL_FILES = "4D5E6F70"  # inside an If that is false: its line never runs
REGISTRY_DATA = "written through a parameter property"  # REGISTRYDATA of setup.qxs


def action_property(header: str) -> str:
    return "A" + header


def parameter_property(header: str, k: int) -> str:
    return f"P{header}_{k}"


# Where the package puts things: a package for platform "Intel" writes 32-bit locations.
INSTALL_FOLDER = "C:\\Program Files (x86)\\Quarrix Bridge Fixture"
REGISTRY_KEY = "HKLM\\Software\\Wow6432Node\\Quarrix Bridge Fixture"
SHORTCUT_NAME = "Bridge Fixture.lnk"


def archive_library() -> pathlib.Path:
    return pathlib.Path(os.environ.get("QUARRIX_ARCHIVE_LIBRARY", wine.engine().parent / "zvk.lib"))


def run_qx(*arguments) -> str:
    completed = subprocess.run([str(wine.qx()), *map(str, arguments)], timeout=QX_TIMEOUT_SECONDS,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    if completed.returncode != 0:
        raise RuntimeError(f"qx {arguments[0]} failed ({completed.returncode}): {completed.stdout}")
    return completed.stdout


def build_setup(out: pathlib.Path, layout: str = "archive") -> pathlib.Path:
    """qx build of the fixture into out; the setup executable."""
    run_qx("build", PROJECT, "-o", out, "--name", NAME, "--engine", wine.engine(), "--library", archive_library(),
           "--layout", layout)
    return out / (NAME + ".exe")


def unpack_like_startup(out: pathlib.Path, support: pathlib.Path) -> pathlib.Path:
    """What the engine's start-up makes of the setup folder: the support archive unpacked into a
    support folder and the package copied beside it. The package copy."""
    support.mkdir(parents=True, exist_ok=True)
    run_qx("extract", out / (NAME + ".res"), support)
    package = support / (NAME + ".msi")
    shutil.copyfile(out / (NAME + ".msi"), package)
    return package


def libmsi():
    with warnings.catch_warnings():  # gi's importer warns on every import
        warnings.simplefilter("ignore", ImportWarning)
        import gi  # Debian's python3-gi with gir1.2-libmsi-1.0: msitools' library
        gi.require_version("Libmsi", "1.0")
        from gi.repository import Libmsi
    return Libmsi


def set_word_count(package: pathlib.Path, value: int) -> None:
    """Word Count of the package's summary information (8: uncompressed sources beside it)."""
    Libmsi = libmsi()
    database = Libmsi.Database.new(str(package), Libmsi.DbFlags.TRANSACT, None)
    summary = Libmsi.SummaryInfo.new(database, 1)
    summary.set_int(Libmsi.Property.SOURCE, value)
    summary.persist()
    database.commit()


def run_statements(package: pathlib.Path, *statements: str) -> None:
    """SQL statements on the package, committed."""
    Libmsi = libmsi()
    database = Libmsi.Database.new(str(package), Libmsi.DbFlags.TRANSACT, None)
    for statement in statements:
        Libmsi.Query.new(database, statement).execute(None)
    database.commit()


def select(package: pathlib.Path, query: str) -> list:
    """The rows of a query, each a tuple of its fields as text."""
    Libmsi = libmsi()
    database = Libmsi.Database.new(str(package), Libmsi.DbFlags.READONLY, None)
    view = Libmsi.Query.new(database, query)
    view.execute(None)
    rows = []
    while (record := view.fetch()) is not None:
        rows.append(tuple(record.get_string(i) for i in range(1, record.get_field_count() + 1)))
    view.close()
    return rows


def summary_information(package: pathlib.Path):
    """The package's summary information, read only."""
    Libmsi = libmsi()
    return Libmsi.SummaryInfo.new(Libmsi.Database.new(str(package), Libmsi.DbFlags.READONLY, None), 0)


def msiexec(*arguments) -> int:
    return wine.run(pathlib.Path("msiexec"), list(arguments), timeout=180)


def installed_file(name: str) -> pathlib.Path:
    return wine.windows_to_host(INSTALL_FOLDER + "\\" + name)


def registry_data():
    """The Data value the Write Registry line's rows write, or None."""
    completed = wine.reg("query", REGISTRY_KEY, "/v", "Data")
    for line in completed.stdout.splitlines():
        parts = line.split(None, 2)
        if completed.returncode == 0 and len(parts) == 3 and parts[0] == "Data":
            return parts[2]
    return None


def shortcuts() -> list:
    """The fixture's shortcut files anywhere in the prefix's Start menus."""
    drive = wine.prefix() / "drive_c"
    found = []
    for root in (drive / "users", drive / "ProgramData"):
        found += root.glob("**/Start Menu/Programs/" + SHORTCUT_NAME)
    return sorted(found)
