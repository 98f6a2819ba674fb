// The go scheme's reference: golang.org/x/mod/semver as Debian's
// golang-golang-x-mod-dev ships it. JSON lines on stdin, one answer line
// each; a text's code points 0..255 are its bytes:
//
//	{"valid": [t, ...]}         -> [semver.IsValid(t), ...]
//	{"compare": [[a, b], ...]}  -> [semver.Compare(a, b), ...]
package main

import (
	"bufio"
	"encoding/json"
	"os"

	"golang.org/x/mod/semver"
)

type request struct {
	Valid   *[]string    `json:"valid"`
	Compare *[][2]string `json:"compare"`
}

func bytesOf(text string) string {
	out := make([]byte, 0, len(text))
	for _, r := range text {
		out = append(out, byte(r))
	}
	return string(out)
}

func main() {
	in := bufio.NewScanner(os.Stdin)
	in.Buffer(make([]byte, 1<<20), 1<<30)
	out := bufio.NewWriter(os.Stdout)
	for in.Scan() {
		var req request
		if err := json.Unmarshal(in.Bytes(), &req); err != nil {
			panic(err)
		}
		var answer interface{}
		if req.Valid != nil {
			valid := make([]bool, len(*req.Valid))
			for i, t := range *req.Valid {
				valid[i] = semver.IsValid(bytesOf(t))
			}
			answer = valid
		} else {
			orders := make([]int, len(*req.Compare))
			for i, p := range *req.Compare {
				orders[i] = semver.Compare(bytesOf(p[0]), bytesOf(p[1]))
			}
			answer = orders
		}
		line, _ := json.Marshal(answer)
		out.Write(append(line, '\n'))
		out.Flush()
	}
}
