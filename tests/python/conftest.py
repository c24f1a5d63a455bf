import pathlib
import sys

# Make the shared helpers (support.py) importable whatever import mode pytest
# runs in.
_here = str(pathlib.Path(__file__).resolve().parent)
if _here not in sys.path:
    sys.path.insert(0, _here)
