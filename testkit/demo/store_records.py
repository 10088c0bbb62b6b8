"""Records for the stand-in store (vantrel-store-standin --records FILE): the
demo's apps as the store's lookup would describe them, one of them left out as
an app the store no longer lists. Lines are "ID<TAB>record JSON"; "{origin}"
in a record is the stand-in's own address, where its generated icons are.

Usage: store_records.py FILE   writes the demo's records to FILE."""

import json
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from make_demo_library import DEMO_APPS  # noqa: E402

# What the store says about each demo app, by store id; an id not here is one
# the store no longer lists.
DETAILS = {
    1034567891: dict(developer="Saltmarsh Software GmbH", genre="Navigation", price=0.0, formatted="Gratis",
                     rating=4.62, ratings=18234, version="2.4.1", date="2024-03-18T08:00:00Z",
                     size=48_211_968, min_os="15.0", age="4+"),
    987654321: dict(developer="Compass & Quill Ltd", genre="Travel", price=4.99, formatted="4,99 €",
                    rating=4.18, ratings=2071, version="5.1", date="2023-11-02T08:00:00Z",
                    size=212_334_592, min_os="14.0", age="4+"),
    1203948576: dict(developer="Starling Audio SARL", genre="Music", price=0.0, formatted="Gratis",
                     rating=3.9, ratings=562, version="3.6.2", date="2024-01-09T08:00:00Z",
                     size=96_337_920, min_os="13.0", age="12+"),
}
UNLISTED_ID = 1122334455


def record(item_id, name, details):
    """One app in the store's documented shape."""
    icon = f"{{origin}}/icons/{item_id}.png"
    return {
        "wrapperType": "software", "kind": "software", "trackId": item_id, "trackName": name,
        "artistName": details["developer"], "sellerName": details["developer"],
        "primaryGenreName": details["genre"], "version": details["version"],
        "currentVersionReleaseDate": details["date"], "releaseDate": "2015-06-30T07:00:00Z",
        "formattedPrice": details["formatted"], "price": details["price"], "currency": "EUR",
        "averageUserRating": details["rating"], "userRatingCount": details["ratings"],
        "fileSizeBytes": str(details["size"]), "minimumOsVersion": details["min_os"],
        "contentAdvisoryRating": details["age"], "artworkUrl60": icon, "artworkUrl100": icon,
        "artworkUrl512": icon, "trackViewUrl": f"https://apps.apple.com/de/app/id{item_id}?uo=4",
        "bundleId": f"com.example.{name.lower().replace(' ', '')}",
        "description": f"{name} for iPhone.", "releaseNotes": "Bug fixes.",
    }


def demo_lines():
    """The records file's lines for the demo's apps (the unlisted one left out)."""
    lines = ["# The demo's apps; 1122334455 (Quill Notes) is one the store no longer lists."]
    for _, name, item_id, _ in DEMO_APPS:
        if item_id in DETAILS:
            lines.append(f"{item_id}\t{json.dumps(record(item_id, name, DETAILS[item_id]), ensure_ascii=False)}")
    return lines


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    Path(argv[1]).write_text("\n".join(demo_lines()) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
