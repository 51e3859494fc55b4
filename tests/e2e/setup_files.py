"""Setup executables for the end-to-end tests: the engine with a payload behind its image.

The payload is written here field by field until the tests build their setups from script
sources with qx; the layout is the engine's 25 fields of CR LF text in their fixed order.
"""

import pathlib
import shutil

# Kinds of the 25 payload fields, in order: L list, S single, I integer.
PAYLOAD_FIELD_KINDS = "LLLLSSLSSSSSSLLILSLSSLLIL"
LIST_TERMINATOR = "$"


def payload_text(fields=None) -> bytes:
    """A payload with the given fields (by 1-based number) and empty or zero ones elsewhere."""
    fields = fields or {}
    lines = []
    for number, kind in enumerate(PAYLOAD_FIELD_KINDS, start=1):
        value = fields.get(number)
        if kind == "L":
            lines.extend(value or [])
            lines.append(LIST_TERMINATOR)
        elif kind == "S":
            lines.append(value or "")
        else:
            lines.append(str(value if value is not None else 0))
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


def empty_script_payload() -> bytes:
    """A script without lines: enough for everything start-up does before the script runs."""
    return payload_text({5: "{00000000-0000-0000-0000-000000000001}", 6: "E2E Product", 16: 1,
                         18: "{00000000-0000-0000-0000-000000000002}", 20: "FALSE", 21: "English",
                         24: 1252})


def bare_engine(engine: pathlib.Path, target: pathlib.Path) -> pathlib.Path:
    shutil.copyfile(engine, target)
    return target


def attached_setup(engine: pathlib.Path, payload: bytes, target: pathlib.Path) -> pathlib.Path:
    """The engine's image followed directly by the payload (the engine is built stripped)."""
    target.write_bytes(engine.read_bytes() + payload)
    return target
