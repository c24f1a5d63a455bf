"""python -m lumra: see lumra._cli."""

import sys

from lumra._cli import main

sys.exit(main())
