// The search pages' addresses: the url of a command's page made from the
// bytes of its link, and the query the page reads and writes.  Part of
// search.js (the build joins search_lists.js, search_values.js,
// search_links.js, search_match.js, search_text.js and search_page.js into
// it).

// ---- Addresses and links -----------------------------------------------------

var htmlEscapes = { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" };

// Names and links are text: they show exactly as written, whatever they hold.
function EscapeHtml(text) {
	text = (text == null) ? "" : String(text);
	if (!/[&<>"']/.test(text)) return text;
	return text.replace(/[&<>"']/g, function (c) { return htmlEscapes[c]; });
}

// The lists are read in the page's character set, windows-1252 (what
// browsers read iso-8859-1 as): a byte 0x80-0x9F arrives as one of these
// characters, every other byte as the character of its own code.
var cp1252 = "\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f" +
	"\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178";

// The byte a character of the lists was read from, or -1 for a character
// the page's character set has no byte for.
function ByteOf(c) {
	if (c < 0x80 || (c >= 0xa0 && c <= 0xff)) return c;
	var k = cp1252.indexOf(String.fromCharCode(c));
	return k == -1 ? -1 : 0x80 + k;
}

function Hex(byte) {
	return (byte < 16 ? "%0" : "%") + byte.toString(16).toUpperCase();
}

// A path as a url path: the bytes it was read from, each percent-encoded
// unless it stands for itself, so that the url names that very file
// whatever its folders are called ("#", "%", blanks, UTF-8 or Latin-1 names).
function EncodePath(text) {
	var out = "";
	for (var k = 0; k < text.length; k++) {
		var ch = text.charAt(k), c = text.charCodeAt(k);
		if (/[A-Za-z0-9\/._~-]/.test(ch)) {
			out += ch;
			continue;
		}
		var byte = ByteOf(c);
		if (byte >= 0) {
			out += Hex(byte);
		} else {
			var utf8;
			try {
				utf8 = unescape(encodeURIComponent(text.charAt(k)));
			} catch (e) {
				utf8 = "?";  // half a surrogate pair
			}
			for (var b = 0; b < utf8.length; b++) out += Hex(utf8.charCodeAt(b));
		}
	}
	return out;
}

// A link of the lists as path and anchor: only a "#" after the last "/" can
// start the anchor, any other one belongs to a folder's name.
function SplitLink(link) {
	var hash = link.lastIndexOf("#");
	if (hash == -1 || hash < link.lastIndexOf("/")) return { path: link, anchor: null };
	return { path: link.substring(0, hash), anchor: link.substring(hash + 1) };
}

// The url of a command's page.
function FileHref(link) {
	var parts = SplitLink(link);
	var url = (parts.path.charAt(0) == "/" ? "file://" : "file:///") + EncodePath(parts.path);
	return parts.anchor == null ? url : url + "#" + EncodePath(parts.anchor);
}

// The module's page: the command's page without its anchor, reached inside
// this tree when the link runs through its Modules folder.
function ModuleHref(link) {
	var page = SplitLink(link).path;
	var k = page.indexOf("/Modules/");
	return k == -1 ? FileHref(page) : moduleTarget + EncodePath(page.substring(k + 9));
}

// Undoes the form encoding of the query: "+" is a blank, %XX a byte, the
// bytes read in the page's own character set (the one the form encodes
// with), and the references the form writes for characters that set lacks
// ("&#8364;") become those characters.  Text with a broken escape, such as a
// lone "%", is taken as it stands.
function DecodeQuery(text) {
	if (/%(?![0-9A-Fa-f]{2})/.test(text)) return text;
	text = text.replace(/\+/g, " ");
	if (text.indexOf("%") == -1) return text;
	text = text.replace(/(%[0-9A-Fa-f]{2})+/g, function (run) {
		var bytes = new Array();
		for (var k = 0; k < run.length; k += 3) bytes[bytes.length] = parseInt(run.substr(k + 1, 2), 16);
		try {
			return new TextDecoder(document.characterSet).decode(new Uint8Array(bytes));
		} catch (e) {
			return String.fromCharCode.apply(null, bytes);
		}
	});
	return text.replace(/&#([0-9]{1,7});/g, function (ref, code) {
		code = parseInt(code, 10);
		return code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff) ? String.fromCodePoint(code) : ref;
	});
}

// A text field value as the form itself encodes it, for the address bar:
// DecodeQuery gives the same text back.
function EncodeQuery(text) {
	var out = "";
	for (var k = 0; k < text.length; k++) {
		var ch = text.charAt(k), c = text.charCodeAt(k);
		if (/[A-Za-z0-9*._-]/.test(ch)) out += ch;
		else if (c == 32) out += "+";
		else if (ByteOf(c) >= 0) out += Hex(ByteOf(c));
		else {
			var code = text.codePointAt(k);
			if (code > 0xffff) k++;
			out += "%26%23" + code + "%3B";
		}
	}
	return out;
}

// What a query asks for: {search: false, letter} or {search: true, text}.
function ParseQuery(query) {
	var indice = query.charAt(0) == "?" ? query.substring(1) : query;
	var marker1 = indice.indexOf("=");
	var marker2 = indice.indexOf("&");
	if (marker2 == -1) marker2 = indice.length;
	var coman = DecodeQuery(indice.substr(marker1 + 1, Math.max(0, marker2 - marker1 - 1)));
	if (marker1 == -1) return { search: false, letter: coman.replace(/^\s+|\s+$/g, "").toUpperCase() };
	// "?go=Name" asks to open that command's page at once.
	return { search: true, text: coman, go: indice.substring(0, 3) == "go=" };
}
