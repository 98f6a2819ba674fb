// The apk scheme's reference: the Go port of apk-tools' comparison packaged
// by Debian (golang-github-knqyf263-go-apk-version-dev), with apk-tools 3's
// documented format for validity, which the port does not check.
//
// Reads JSON lines on stdin, answers one JSON line each:
//   {"valid": [text, ...]}        -> [bool, ...]
//   {"compare": [[a, b], ...]}    -> [-1 | 0 | 1 | null, ...]
// A text's code points 0..255 are its bytes. null: the pair lies in a class
// where the port departs from apk-tools (docs/version_apk.md), which the
// unit tests check against a hand-checked table instead.
package main

import (
	"bufio"
	"encoding/json"
	"os"
	"regexp"
	"strings"

	version "github.com/knqyf263/go-apk-version"
)

// apk-tools 3: digit{.digit}...{letter}{_suf{#}}...{~hash}{-r#}.
var format = regexp.MustCompile(`^[0-9]+(\.[0-9]+)*[a-z]?(_(alpha|beta|pre|rc|cvs|svn|git|hg|p)[0-9]*)*(~[0-9a-f]+)?(-r[0-9]+)?$`)

// Departure classes of the port: it rejects ~hash, keeps numbers in a
// signed 64-bit int, and reads a ".number" with leading zeros as a count of
// zeros and then a number of its own (apk-tools 3 compares those digits as
// bytes), which misorders two such numbers against each other, and what
// follows one (6.0_pre1 against 6.0).
var longNumber = regexp.MustCompile(`[0-9]{19}`)
var token = regexp.MustCompile(`^(\.[0-9]+|[0-9]+|[a-z]|_[a-z]+[0-9]*|~[0-9a-f]+|-r[0-9]+)`)

var number = regexp.MustCompile(`^([^0-9]*)0*([0-9])`)

// The tokens of a valid text, the end as "", with the leading zeros of the
// numbers that apk-tools reads as plain numbers dropped.
func tokens(text string) []string {
	var out []string
	for text != "" {
		t := token.FindString(text)
		text = text[len(t):]
		if !strings.HasPrefix(t, ".") {
			t = number.ReplaceAllString(t, "$1$2")
		}
		out = append(out, t)
	}
	return append(out, "")
}

func zeroLed(t string) bool { return strings.HasPrefix(t, ".0") }

func departs(a, b string) bool {
	if strings.Contains(a+b, "~") || longNumber.MatchString(a+" "+b) {
		return true
	}
	ta, tb := tokens(a), tokens(b)
	for i := 0; i < len(ta) && i < len(tb); i++ {
		if ta[i] != tb[i] {
			return zeroLed(ta[i]) && zeroLed(tb[i]) ||
				i > 0 && zeroLed(ta[i-1]) && (ta[i] == "" || tb[i] == "")
		}
	}
	return false
}

func bytesOf(text string) string {
	raw := make([]byte, 0, len(text))
	for _, r := range text {
		raw = append(raw, byte(r))
	}
	return string(raw)
}

func main() {
	in := bufio.NewScanner(os.Stdin)
	in.Buffer(make([]byte, 1<<20), 1<<30)
	out := bufio.NewWriter(os.Stdout)
	for in.Scan() {
		var request map[string]json.RawMessage
		if err := json.Unmarshal(in.Bytes(), &request); err != nil {
			os.Exit(2)
		}
		var answer []interface{}
		if raw, ok := request["valid"]; ok {
			var texts []string
			_ = json.Unmarshal(raw, &texts)
			for _, t := range texts {
				answer = append(answer, format.MatchString(bytesOf(t)))
			}
		} else {
			var pairs [][2]string
			_ = json.Unmarshal(request["compare"], &pairs)
			for _, p := range pairs {
				a, b := bytesOf(p[0]), bytesOf(p[1])
				if departs(a, b) {
					answer = append(answer, nil)
					continue
				}
				answer = append(answer, version.Version(a).Compare(version.Version(b)))
			}
		}
		line, _ := json.Marshal(answer)
		out.Write(append(line, '\n'))
		out.Flush()
	}
}
