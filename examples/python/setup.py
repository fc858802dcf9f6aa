"""The wheel holds the compiled library, so it is a platform wheel tagged
with the platform the library was built for, never py3-none-any:
LINTROW_WHEEL_PLATFORM (manylinux_2_33_x86_64, win32, win_amd64, as
scripts/build-wheel.sh derives it; default this machine's). The version is LINTROW_WHEEL_VERSION, the project's own."""
import os

from setuptools import setup
from setuptools.dist import Distribution
from wheel.bdist_wheel import bdist_wheel, get_platform


class BinaryDistribution(Distribution):
    """Holds a binary, though no Python extension."""

    def has_ext_modules(self):
        return True


class PlatformWheel(bdist_wheel):
    def get_tag(self):
        platform = os.environ.get("LINTROW_WHEEL_PLATFORM") or get_platform(None)
        # Any Python 3 loads the library through ctypes: no ABI of its own.
        return "py3", "none", platform


setup(version=os.environ.get("LINTROW_WHEEL_VERSION", "0.0.0"), distclass=BinaryDistribution,
      cmdclass={"bdist_wheel": PlatformWheel})
