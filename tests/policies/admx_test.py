#!/usr/bin/env python3
"""The administrative template against the program's table of policies.

Arguments: the Wine launcher, the Linux path of policy_table.exe (which prints
the program's table), the policies/ folder. Fails when the ADMX and the table
disagree (a value in one and not the other, a wrong key, type, range or
class), when an ADMX or ADML file is not well-formed or breaks the order of
elements that the Group Policy editor requires, or when a string or a
presentation that the ADMX refers to is missing from one of the languages.
"""

import re
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

NS = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"
LANGUAGES = ("fr-FR", "en-US")
# The editor's schema: the root's children in this order, some optional.
ADMX_ORDER = ["policyNamespaces", "supersededAdm", "resources", "supportedOn", "categories", "policies"]
ADML_ORDER = ["displayName", "description", "annotation", "resources"]
POLICY_ORDER = ["parentCategory", "seeAlso", "keywords", "supportedOn", "enabledValue", "disabledValue",
                "enabledList", "disabledList", "elements"]
REFERENCE = re.compile(r"^\$\((string|presentation)\.([A-Za-z0-9_]+)\)$")

FAILURES = []


def expect(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what)


def local(element):
    return element.tag.split("}", 1)[1] if element.tag.startswith("{") else element.tag


def child(element, name):
    return element.find(f"{{{NS}}}{name}")


def children(element, name):
    return element.findall(f"{{{NS}}}{name}")


def check_order(element, order, what):
    names = [local(c) for c in element]
    unknown = [n for n in names if n not in order]
    expect(not unknown, f"{what}: unexpected elements {unknown}")
    ranks = [order.index(n) for n in names if n in order]
    expect(ranks == sorted(ranks), f"{what}: elements out of order {names}")


def parse(path):
    try:
        return ET.parse(path).getroot()
    except (ET.ParseError, OSError) as error:
        expect(False, f"{path}: not well-formed ({error})")
        return None


def check_root(root, tag, path):
    expect(root.tag == f"{{{NS}}}{tag}", f"{path}: root is {root.tag}, not {tag} in the policy namespace")
    expect(root.get("revision") == "1.0", f"{path}: revision must be 1.0")
    expect(root.get("schemaVersion") == "1.0", f"{path}: schemaVersion must be 1.0")


def decimals(element):
    return [int(d.get("value")) for d in element.iter(f"{{{NS}}}decimal")]


def admx_entry(policy, key_of_policy):
    """(key, valueName, type, minimum, maximum, class) of one ADMX policy."""
    name = policy.get("name")
    elements = child(policy, "elements")
    controls = list(elements) if elements is not None else []
    expect(len(controls) <= 1, f"{name}: one value per policy")
    if controls:
        control = controls[0]
        key = control.get("key", key_of_policy)
        value_name = control.get("valueName")
        kind = local(control)
        if kind == "text":
            expect(control.get("expandable", "false") == "false", f"{name}: the value is REG_SZ, not expandable")
            return key, value_name, "string", 0, 0
        if kind == "multiText":
            # REG_MULTI_SZ, one string per line of the box.
            return key, value_name, "list", 0, 0
        if kind == "enum":
            values = [decimals(item)[0] for item in children(control, "item")]
            expect(sorted(values) == list(range(min(values), max(values) + 1)),
                   f"{name}: items must cover the range without gaps")
            return key, value_name, "dword", min(values), max(values)
        if kind == "decimal":
            return key, value_name, "dword", int(control.get("minValue", "0")), int(control.get("maxValue"))
        expect(False, f"{name}: unexpected element {kind}")
        return key, value_name, kind, 0, 0
    enabled, disabled = child(policy, "enabledValue"), child(policy, "disabledValue")
    expect(enabled is not None and disabled is not None, f"{name}: an on/off policy needs both values")
    values = decimals(enabled) + decimals(disabled) if enabled is not None and disabled is not None else [0]
    return key_of_policy, policy.get("valueName"), "dword", min(values), max(values)


def references(root, kind):
    found = set()
    for element in root.iter():
        for value in element.attrib.values():
            match = REFERENCE.match(value)
            if match and match.group(1) == kind:
                found.add(match.group(2))
    return found


def check_admx(admx, table):
    check_root(admx, "policyDefinitions", "Orkvane.admx")
    check_order(admx, ADMX_ORDER, "policyDefinitions")
    namespaces = child(admx, "policyNamespaces")
    target = child(namespaces, "target") if namespaces is not None else None
    expect(target is not None and target.get("prefix") and target.get("namespace"),
           "policyNamespaces: a target with prefix and namespace")
    usings = ({u.get("prefix"): u.get("namespace") for u in children(namespaces, "using")}
              if namespaces is not None else {})
    expect(usings.get("windows") == "Microsoft.Policies.Windows", "policyNamespaces: using the Windows namespace")
    resources = child(admx, "resources")
    expect(resources is not None and resources.get("minRequiredRevision") == "1.0",
           "resources: minRequiredRevision 1.0")

    categories = {c.get("name") for c in admx.iter(f"{{{NS}}}category")}
    expect("Orkvane" in categories, "a category Orkvane")
    supported = {d.get("name") for d in admx.iter(f"{{{NS}}}definition")}

    policies = children(child(admx, "policies"), "policy")
    found = {}
    for policy in policies:
        name = policy.get("name")
        check_order(policy, POLICY_ORDER, f"policy {name}")
        for attribute in ("class", "displayName", "explainText", "key"):
            expect(policy.get(attribute), f"{name}: attribute {attribute}")
        parent = child(policy, "parentCategory")
        expect(parent is not None and parent.get("ref") in categories, f"{name}: parent category defined")
        support = child(policy, "supportedOn")
        expect(support is not None and support.get("ref") in supported, f"{name}: supportedOn defined")
        key, value_name, kind, minimum, maximum = admx_entry(policy, policy.get("key"))
        expect(value_name == name, f"{name}: named after its value ({value_name})")
        expect(value_name not in found, f"{name}: one policy per value")
        found[value_name] = (key, kind, minimum, maximum, policy.get("class"))

    for name in sorted(set(table) - set(found)):
        expect(False, f"{name}: read by the program, missing from the template")
    for name in sorted(set(found) - set(table)):
        expect(False, f"{name}: in the template, unknown to the program")
    for name in sorted(set(found) & set(table)):
        expect(found[name] == table[name], f"{name}: template {found[name]} but program {table[name]}")
    return policies


def check_adml(adml, language, strings, presentations, admx_policies):
    path = f"{language}/Orkvane.adml"
    check_root(adml, "policyDefinitionResources", path)
    check_order(adml, ADML_ORDER, path)
    resources = child(adml, "resources")
    expect(resources is not None, f"{path}: resources")
    if resources is None:
        return
    check_order(resources, ["stringTable", "presentationTable"], f"{path} resources")
    ids = [s.get("id") for s in resources.iter(f"{{{NS}}}string")]
    expect(len(ids) == len(set(ids)), f"{path}: string ids defined once")
    for missing in sorted(strings - set(ids)):
        expect(False, f"{path}: string {missing} not defined")
    defined = {p.get("id"): p for p in resources.iter(f"{{{NS}}}presentation")}
    for missing in sorted(presentations - set(defined)):
        expect(False, f"{path}: presentation {missing} not defined")
    # Each presentation's controls refer to the elements of its policy.
    for policy in admx_policies:
        match = REFERENCE.match(policy.get("presentation", ""))
        if not match or match.group(2) not in defined:
            continue
        elements = child(policy, "elements")
        element_ids = {e.get("id") for e in elements} if elements is not None else set()
        refs = {c.get("refId") for c in defined[match.group(2)] if c.get("refId")}
        expect(refs == element_ids, f"{path}: presentation {match.group(2)} shows {refs}, policy has {element_ids}")


def read_table(emulator, program):
    output = subprocess.run([emulator, program], check=True, capture_output=True, text=True,
                            encoding="utf-8").stdout
    table = {}
    for line in output.splitlines():
        if not line.strip():
            continue
        key, name, kind, minimum, maximum, classes = line.rstrip("\r").split("\t")
        table[name] = (key, kind, int(minimum), int(maximum), classes)
    expect(table, "the program's table is not empty")
    return table


def main():
    emulator, program, folder = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    table = read_table(emulator, program)
    admx = parse(folder / "Orkvane.admx")
    if admx is not None:
        policies = check_admx(admx, table)
        strings, presentations = references(admx, "string"), references(admx, "presentation")
        expect(strings and presentations, "the template refers to strings and presentations")
        for language in LANGUAGES:
            adml = parse(folder / language / "Orkvane.adml")
            if adml is not None:
                check_adml(adml, language, strings, presentations, policies)
    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        return 1
    print(f"template and program agree on {len(table)} policies, in {', '.join(LANGUAGES)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
