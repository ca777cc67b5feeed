"""The type stubs name exactly what the module holds, and every function and
property of the module carries a docstring, so that an editor shows them."""
import ast
import os
import pathlib

import gridtext

STUBS = pathlib.Path(__file__).resolve().parents[2] / "python" / "gridtext.pyi"


def stub_names(body):
    names = set()
    for node in body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
    return names


def public(names):
    return {n for n in names if not n.startswith("_") or n == "__version__"}


def test_the_stubs_name_what_the_module_holds():
    tree = ast.parse(STUBS.read_text())
    module_names = public(dir(gridtext)) - {"os"}
    assert stub_names(tree.body) == module_names
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    measurement = stub_names(classes["Measurement"].body)
    assert measurement == public(vars(gridtext.Measurement))
    assert stub_names(classes["PhaseStats"].body) == set(gridtext.PhaseStats._fields)
    assert stub_names(classes["Window"].body) == set(gridtext.Window._fields)


def test_everything_has_a_docstring():
    assert gridtext.__doc__
    for name in ("read", "read_stream", "set_print", "error_name", "Error", "FileError",
                 "Window", "PhaseStats", "Measurement"):
        assert getattr(gridtext, name).__doc__, name
    for name, member in vars(gridtext.Measurement).items():
        if not name.startswith("_"):
            assert member.__doc__, name
