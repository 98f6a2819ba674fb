"""The wheel carries a native library but no Python extension module, so any
Python 3 on the platform can use it: py3-none-<platform>, where the platform
tag is the one scripts/dist writes to setup.cfg."""
from setuptools import setup
from wheel.bdist_wheel import bdist_wheel


class PlatformWheel(bdist_wheel):
    def finalize_options(self):
        super().finalize_options()
        self.root_is_pure = False

    def get_tag(self):
        _, _, platform = super().get_tag()
        return "py3", "none", platform


setup(cmdclass={"bdist_wheel": PlatformWheel})
