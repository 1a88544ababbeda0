"""Tests of the model tools (converter and model scripts); from the repository root run
/usr/bin/python3 -m unittest discover -s tests/tools -t ."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))  # the tools are scripts, not a package
